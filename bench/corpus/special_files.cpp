#include "special_files.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "record_source.h"

namespace {

const uint32_t kHeaderSize = 0x400;
const uint32_t kPeOffset = 0x80;
const uint32_t kFileAlignment = 0x200;
const uint32_t kSectionAlignment = 0x1000;
const uint32_t kSectionAddress = 0x1000;

const char* const kSampleNames[] = {"svchost.exe", "winlogon.exe", "setup.exe", "update.exe", "msupd.exe",
                                    "explorer.exe", "netcfg.dll", "sysmon.exe", "taskmgr.exe", "rundll.exe"};

void Put16(std::string& image, size_t at, uint32_t value) {
    image[at] = static_cast<char>(value & 0xFF);
    image[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& image, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) image[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

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

}  // namespace

bool BuildSample(const PortableRecord& record, uint64_t size, CorpusRandom& random, std::string* image) {
    if (size < kHeaderSize + kFileAlignment) return false;
    uint64_t rawSize = (size - kHeaderSize) / kFileAlignment * kFileAlignment;
    // Both patterns and the entry point inside the one section.
    long long low = std::max<long long>({kHeaderSize, static_cast<long long>(kHeaderSize) - record.firstOffset,
                                         static_cast<long long>(kHeaderSize) - record.secondOffset});
    long long sectionEnd = static_cast<long long>(kHeaderSize + rawSize);
    long long high = std::min<long long>({sectionEnd - 1, sectionEnd - 20 - record.firstOffset,
                                          sectionEnd - 20 - record.secondOffset});
    if (low > high) return false;
    long long entryFile = low + static_cast<long long>(random.Next() % static_cast<uint64_t>(high - low + 1));

    image->assign(size, '\0');
    for (size_t i = kHeaderSize; i + 8 <= size; i += 8) {
        uint64_t word = random.Next();
        memcpy(&(*image)[i], &word, 8);
    }
    std::string& p = *image;
    p[0] = 'M';
    p[1] = 'Z';
    Put32(p, 0x3C, kPeOffset);
    memcpy(&p[kPeOffset], "PE\0\0", 4);
    size_t fileHeader = kPeOffset + 4;
    Put16(p, fileHeader, 0x14C);
    Put16(p, fileHeader + 2, 1);
    Put16(p, fileHeader + 16, 224);
    Put16(p, fileHeader + 18, 0x010F);
    size_t optional = fileHeader + 20;
    Put16(p, optional, 0x10B);
    p[optional + 2] = 6;
    Put32(p, optional + 4, static_cast<uint32_t>(rawSize));
    uint32_t entryAddress = static_cast<uint32_t>(entryFile - kHeaderSize + kSectionAddress);
    Put32(p, optional + 16, entryAddress);
    Put32(p, optional + 20, kSectionAddress);
    Put32(p, optional + 28, 0x00400000u);
    Put32(p, optional + 32, kSectionAlignment);
    Put32(p, optional + 36, kFileAlignment);
    Put16(p, optional + 40, 4);
    Put16(p, optional + 48, 4);
    uint32_t imageSize = kSectionAddress + static_cast<uint32_t>((rawSize + kSectionAlignment - 1) /
                                                                 kSectionAlignment * kSectionAlignment);
    Put32(p, optional + 56, imageSize);
    Put32(p, optional + 60, kHeaderSize);
    Put16(p, optional + 68, 2);
    Put32(p, optional + 72, 0x100000);
    Put32(p, optional + 76, 0x1000);
    Put32(p, optional + 80, 0x100000);
    Put32(p, optional + 84, 0x1000);
    Put32(p, optional + 92, 16);
    size_t section = kPeOffset + 248;
    memcpy(&p[section], ".text", 5);
    Put32(p, section + 8, static_cast<uint32_t>(rawSize));
    Put32(p, section + 12, kSectionAddress);
    Put32(p, section + 16, static_cast<uint32_t>(rawSize));
    Put32(p, section + 20, kHeaderSize);
    Put32(p, section + 36, 0x60000020u);
    memcpy(&p[static_cast<size_t>(entryFile + record.firstOffset)], record.firstPattern, 20);
    memcpy(&p[static_cast<size_t>(entryFile + record.secondOffset)], record.secondPattern, 20);
    return true;
}

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
    CorpusRandom random(file.seed);
    std::string image;
    // The shorter near miss keeps the layout of the full-size sample.
    uint64_t layoutSize = static_cast<uint64_t>(file.source.fileSize);
    if (!BuildSample(file.source, layoutSize, random, &image)) {
        fprintf(stderr, "bruvane-corpus: record %d does not fit one section\n", file.source.number);
        return false;
    }
    uint32_t entryFile = 0;
    for (int i = 0; i < 4; ++i)
        entryFile |= static_cast<uint32_t>(static_cast<unsigned char>(image[kPeOffset + 24 + 16 + i])) << (8 * i);
    entryFile = entryFile - kSectionAddress + kHeaderSize;
    switch (file.miss) {
    case Miss::kNone: break;
    case Miss::kSizePlusOne: image.push_back('\0'); break;
    case Miss::kSizeMinusOne: image.pop_back(); break;
    case Miss::kFirstPatternFirstByte: image[entryFile + file.source.firstOffset] ^= 0x01; break;
    case Miss::kSecondPatternLastByte: image[entryFile + file.source.secondOffset + 19] ^= 0x01; break;
    }
    FILE* out = fopen(hostPath.c_str(), "wb");
    if (out == nullptr) return false;
    bool ok = fwrite(image.data(), 1, image.size(), out) == image.size();
    return fclose(out) == 0 && ok;
}
