// Testing one signature record against an open file.
#pragma once

#include <cstdint>

#include "detect/signature_table.h"
#include "platform/win32.h"

// The record's size condition for a file of `length` bytes; a record with
// an unknown size mode never passes.
bool PassesSizeCondition(const SignatureRecord& record, int32_t length);
// Both patterns at their places from the entry point, read from the file.
// Needs the headers of the file in PeImage.
bool PatternsMatch(const SignatureRecord& record, int fd, DWORD entryPoint);
// Size condition, then both patterns.
bool RecordMatches(const SignatureRecord& record, int fd, int32_t length, DWORD entryPoint);
