// The files of the corpus that the answer key is about: samples that
// must be found under a known record, and near misses that must not.
//
// Every sample and near miss is made by the sample generator (mksample's
// library) from the engine's table, and must be a PE32 image with one
// section that holds the entry point and both patterns, so that a distance
// from the entry point is the same in address space (ours) and in file
// space (ClamAV's EP+n, YARA's pe.entry_point + n).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "corpus_random.h"
#include "signature_formats.h"

enum class Miss { kNone, kSizePlusOne, kSizeMinusOne, kFirstPatternFirstByte, kSecondPatternLastByte };

struct SpecialFile {
    std::string kind;           // "sample", "near miss: size + 1", ...
    std::string fileName;       // the name it gets in its folder
    int record = 0;             // 1-based record it must be found as; 0: must not be found
    std::string detectionName;  // of that record
    unsigned long long size = 0;
    PortableRecord source;      // the record it is made from
    Miss miss = Miss::kNone;
    uint64_t seed = 0;
};

// Samples of `samples` records spread over the table, and one near miss
// of each (the four kinds in turn). Empty, with *note saying why, when
// there are no records.
std::vector<SpecialFile> PlanSpecialFiles(int samples, CorpusRandom& random, std::string* note);

// Writes the planned file at `hostPath`. False when the generator cannot
// build it, when it needs more than one section, or on a write error.
bool WriteSpecialFile(const SpecialFile& file, const std::string& hostPath);
