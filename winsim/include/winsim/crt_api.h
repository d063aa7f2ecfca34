// Microsoft runtime-library helpers that glibc does not have.
#pragma once

#include <cstddef>

int _stricmp(const char* a, const char* b);
int _strnicmp(const char* a, const char* b, size_t count);
int _memicmp(const void* a, const void* b, size_t count);
