// Where the benchmark takes the signature records from.
#pragma once

#include <vector>

#include "signature_formats.h"

// The records the corpus samples and the converted databases are made of,
// in table order, with their 1-based table numbers.
std::vector<PortableRecord> BenchmarkRecords();

// "table": the engine's own table.
const char* BenchmarkRecordSource();
