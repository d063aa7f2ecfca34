// Synthetic sample files for the scanner's tests and benchmarks: PE32
// images built from the signature table that match a record, miss it by
// one detail, or are found only by a correct address mapping; and a small
// real program changed so that it still runs and matches a record.
// Nothing here is ever written into the repository.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace samples {

// A file as its length and the stretches that are not zero; later pieces
// win where they overlap. Large samples stay cheap and are written sparse.
struct Piece {
    uint32_t offset;
    std::vector<uint8_t> bytes;
};

struct Sample {
    uint32_t size = 0;
    std::vector<Piece> pieces;

    void Put(uint32_t offset, const uint8_t* data, size_t count);
    void PutByte(uint32_t offset, uint8_t value) { Put(offset, &value, 1); }
    uint8_t ByteAt(uint32_t offset) const;
    std::vector<uint8_t> Bytes() const;  // the whole file
};

enum class Kind {
    kMatch,                    // matches the record
    kSizeMinusOne,             // one byte short
    kSizePlusOne,              // one byte long
    kFirstPatternFirstByte,    // that byte of that pattern changed
    kFirstPatternLastByte,
    kSecondPatternFirstByte,
    kSecondPatternLastByte,
    kEntryInOtherSection,      // entry point and patterns in different sections
    kEntryInOtherSectionDecoy, // patterns where the entry point's section would put them
    kBelowFirstSection,        // the lower pattern lies below the first section
    kBelowFirstSectionDecoy,   // that pattern at its address taken as a file position
    kBeyondEndFallback,        // mapped positions lie past the end: the addresses are used
    kBeyondEndHigh,            // the same with mapped positions at 2^31 and above
    kZeroOffsetHeaders,        // the lower pattern maps to position 0 and is read at SizeOfHeaders
    kZeroOffsetDecoy,          // that pattern at position 0 itself
    kClean,                    // the record's layout and size, no patterns
    kNotPe,                    // an "NE" header where the PE signature belongs
    kText,                     // plain text of the record's size
    kDamagedMz,                // "MZ" spoiled, PE header intact: matches
    kLfanewHighBits,           // e_lfanew 0x12345, header at 0x2345: matches
    kSections20,               // twenty sections: matches
    kSections21,               // twenty-one sections: never inspected
    kDoubleMatch,              // holds this record and the second record (same size)
    kHalfThenMatch,            // this record's first pattern only, and the whole second record
    kCutLfanew,                // cut inside e_lfanew (61 bytes)
    kCutSignature,             // cut inside the PE signature
    kCutFileHeader,            // cut inside the file header
    kCutOptionalHeader,        // cut inside the optional-header prefix
    kCutSectionTable,          // cut inside the section table
};

struct KindInfo {
    Kind kind;
    const char* name;
    const char* description;
    // Which record the scanner names: 0 none, 1 the record, 2 the second record.
    int detectedAs;
    bool needsSecondRecord;
};

const std::vector<KindInfo>& Kinds();
const KindInfo* FindKind(const std::string& name);
const KindInfo& InfoOf(Kind kind);

struct Options {
    int secondRecord = 0;  // for kDoubleMatch and kHalfThenMatch
    int64_t cut = -1;      // when >= 0: the file ends after this many bytes
};

// Record numbers count from 1. False with *error when the kind cannot be
// built for that record (its offsets leave no room for the trick).
bool BuildSample(int record, Kind kind, const Options& options, Sample* sample, std::string* error);

// Where the header fields of a sample lie, for cutting it short anywhere.
struct HeaderPlaces {
    uint32_t peOffset;         // the PE signature
    uint32_t sectionTableEnd;  // one past the last section header
};
HeaderPlaces PlacesOf(const Sample& sample);

// A copy of a small 32-bit program with one section appended that holds the
// record's patterns and a jump to the old entry point, padded to the
// record's size: it runs as before and matches the record.
bool BuildRunnable(const std::vector<uint8_t>& program, int record, std::vector<uint8_t>* out, std::string* error);

bool WriteSampleFile(const std::string& hostPath, const Sample& sample, std::string* error);
bool WriteBytesFile(const std::string& hostPath, const std::vector<uint8_t>& bytes, std::string* error);
bool ReadBytesFile(const std::string& hostPath, std::vector<uint8_t>* bytes, std::string* error);

}  // namespace samples
