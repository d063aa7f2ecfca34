// Inspection of one file against the signature table.
#pragma once

// 1 when a signature record matched; 0 otherwise (and in the memory-removal path).
int InspectFile(const char* name, const char* path);
