#include "unusual_files.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "record_source.h"
#include "sample_builder.h"

namespace {

const char* const kSampleNames[] = {"svchost.exe", "winlogon.exe", "setup.exe", "update.exe", "msupd.exe",
                                    "explorer.exe", "netcfg.dll", "sysmon.exe", "taskmgr.exe", "rundll.exe"};

const char* MissKind(Miss miss) {
    switch (miss) {
    case Miss::kNone: return "sample";
    case Miss::kSizePlusOne: return "near miss: one byte longer";
    case Miss::kSizeMinusOne: return "near miss: one byte shorter";
    case Miss::kFirstPatternFirstByte: return "near miss: first byte of the first pattern changed";
    case Miss::kSecondPatternLastByte: return "near miss: last byte of the second pattern changed";
    }
    return "";
}

samples::Kind SampleKindOf(Miss miss) {
    switch (miss) {
    case Miss::kNone: break;
    case Miss::kSizePlusOne: return samples::Kind::kSizePlusOne;
    case Miss::kSizeMinusOne: return samples::Kind::kSizeMinusOne;
    case Miss::kFirstPatternFirstByte: return samples::Kind::kFirstPatternFirstByte;
    case Miss::kSecondPatternLastByte: return samples::Kind::kSecondPatternLastByte;
    }
    return samples::Kind::kMatch;
}

int SectionCount(const samples::Sample& sample) {
    uint32_t at = samples::PlacesOf(sample).peOffset + 6;
    return sample.ByteAt(at) | sample.ByteAt(at + 1) << 8;
}

}  // namespace

std::vector<SpecialFile> PlanSpecialFiles(int samples, CorpusRandom& random, std::string* note) {
    std::vector<PortableRecord> records = BenchmarkRecords();
    std::vector<SpecialFile> files;
    if (records.empty() || samples <= 0) {
        *note = "no samples";
        return files;
    }
    for (int i = 0; i < samples; ++i) {
        // Spread over the table; with fewer records than samples, in turn.
        const PortableRecord& record = records[static_cast<size_t>(i) * records.size() / samples % records.size()];
        for (Miss miss : {Miss::kNone, static_cast<Miss>(1 + i % 4)}) {
            SpecialFile file;
            file.kind = MissKind(miss);
            file.fileName = kSampleNames[random.Next() % (sizeof kSampleNames / sizeof kSampleNames[0])];
            file.record = miss == Miss::kNone ? record.number : 0;
            file.detectionName = record.detectionName;
            file.size = static_cast<unsigned long long>(record.fileSize) + (miss == Miss::kSizePlusOne ? 1 : 0) -
                        (miss == Miss::kSizeMinusOne ? 1 : 0);
            file.source = record;
            file.miss = miss;
            file.seed = random.Next();
            files.push_back(file);
        }
    }
    if (records.size() < 110) *note = "samples of " + std::to_string(records.size()) + " records only";
    return files;
}

bool WriteSpecialFile(const SpecialFile& file, const std::string& hostPath) {
    samples::Sample sample;
    std::string error;
    if (!samples::BuildSample(file.source.number, SampleKindOf(file.miss), samples::Options(), &sample, &error)) {
        fprintf(stderr, "bruvane-corpus: record %d: %s\n", file.source.number, error.c_str());
        return false;
    }
    // Only then does a distance from the entry point mean the same in
    // file positions (ClamAV's EP+n, YARA's pe.entry_point + n).
    if (SectionCount(sample) != 1) {
        fprintf(stderr, "bruvane-corpus: record %d does not fit one section\n", file.source.number);
        return false;
    }
    if (!samples::WriteSampleFile(hostPath, sample, &error)) {
        fprintf(stderr, "bruvane-corpus: %s\n", error.c_str());
        return false;
    }
    return true;
}
