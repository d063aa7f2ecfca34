// Reading a value's data into a fixed buffer, and searching it as text,
// without ever going past the buffer or the bytes actually read.
#pragma once

#include "platform/win32.h"

// Asks for the size of the value's data, then reads it into `buffer` of
// `capacity` bytes. 1 with the number of bytes read in *length; 0 when
// either query fails or the data is larger than the buffer (nothing is
// then written past the buffer).
int QueryValueData(HKEY key, const char* valueName, char* buffer, DWORD capacity, DWORD* length);

// 1 when `text` occurs, case-sensitively, in the first `length` bytes of
// `data` taken as text (up to its first zero byte).
int DataContainsText(const char* data, DWORD length, const char* text);
