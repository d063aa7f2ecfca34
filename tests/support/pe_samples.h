// Synthetic PE files made from the signature table, for tests and the
// fuzzers' seeds: one section over the whole file, the entry point placed
// so that both of a record's patterns lie after the headers. Made when
// needed, never committed.
#pragma once

#include <string>

#include "detect/signature_table.h"

// The bytes of a file the record detects; empty when the record cannot be
// laid out within its size this way.
std::string SampleFor(const SignatureRecord& record);
// The same file with one byte of the second pattern changed.
std::string NearMissFor(const SignatureRecord& record);
// A one-section file of `size` bytes with `sections` sections declared.
std::string PlainImage(size_t size, int sections);
