// The files of the corpus that the answer key is about: samples that
// must be found under a known record, and near misses that must not.
#pragma once

#include <string>
#include <vector>

#include "corpus_random.h"

struct SpecialFile {
    std::string kind;           // "sample", "near-miss: size +1", ...
    std::string fileName;       // the name it gets in its folder
    int record = 0;             // 1-based record it must be found as; 0: must not be found
    std::string detectionName;  // of that record
    unsigned long long size = 0;
};

// Samples of `samples` records spread over the table, and near misses
// of some of them. Empty (and *note says why) when samples cannot be made.
std::vector<SpecialFile> PlanSpecialFiles(int samples, CorpusRandom& random, std::string* note);

// Writes the planned file at `hostPath`.
bool WriteSpecialFile(const SpecialFile& file, const std::string& hostPath);
