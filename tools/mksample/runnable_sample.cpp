// A real program turned into a sample: one section appended that holds a
// jump to the old entry point between the record's two patterns, and the
// file padded to the record's size. Windows (and Wine) load the section
// like any other, so the program runs as before.
#include <algorithm>
#include <cstring>

#include "detect/signature_table.h"
#include "sample_builder.h"

namespace samples {

namespace {

const uint32_t kLength = kPatternLength;

uint32_t Le16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint32_t>(b[at] | b[at + 1] << 8); }

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 | static_cast<uint32_t>(b[at + 2]) << 16 |
           static_cast<uint32_t>(b[at + 3]) << 24;
}

void PutLe16(std::vector<uint8_t>& b, size_t at, uint32_t value) {
    b[at] = static_cast<uint8_t>(value);
    b[at + 1] = static_cast<uint8_t>(value >> 8);
}

void PutLe32(std::vector<uint8_t>& b, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t AlignUp(uint32_t value, uint32_t alignment) { return (value + alignment - 1) / alignment * alignment; }

bool Fail(std::string* error, const std::string& text) {
    *error = text;
    return false;
}

}  // namespace

bool BuildRunnable(const std::vector<uint8_t>& program, int record, std::vector<uint8_t>* out, std::string* error) {
    if (record < 1 || record > kSignatureRecordCount) return Fail(error, "no such record");
    const SignatureRecord& r = SignatureTable[record - 1];
    if (program.size() < 0x40 || program[0] != 'M' || program[1] != 'Z') return Fail(error, "not a program");
    uint32_t pe = Le32(program, 0x3C);
    if (pe > 0xFFFF || pe + 248 > program.size() || memcmp(&program[pe], "PE\0\0", 4) != 0)
        return Fail(error, "no PE header within the first 64 KB");
    if (Le16(program, pe + 4) != 0x14C || Le16(program, pe + 24) != 0x10B) return Fail(error, "not a 32-bit program");
    // The scanner looks for the section table right after a 224-byte
    // optional header.
    if (Le16(program, pe + 20) != 224) return Fail(error, "the optional header is not 224 bytes");
    uint32_t sections = Le16(program, pe + 6);
    size_t opt = pe + 24;
    uint32_t oldEntry = Le32(program, opt + 16);
    uint32_t sectionAlignment = Le32(program, opt + 32);
    uint32_t fileAlignment = Le32(program, opt + 36);
    uint32_t sizeOfHeaders = Le32(program, opt + 60);
    if (sectionAlignment == 0 || fileAlignment == 0) return Fail(error, "bad alignment");
    if (Le32(program, opt + 96 + 4 * 8 + 4) != 0) return Fail(error, "a signed program must keep its certificate last");
    if (sections + 1 > 20) return Fail(error, "too many sections already");
    size_t table = pe + 248;
    size_t newHeader = table + 40 * sections;
    uint32_t imageEnd = 0, firstRaw = sizeOfHeaders;
    for (uint32_t i = 0; i < sections; ++i) {
        size_t at = table + 40 * i;
        if (at + 40 > program.size()) return Fail(error, "section table cut short");
        imageEnd = std::max(imageEnd, Le32(program, at + 12) + std::max(Le32(program, at + 8), Le32(program, at + 16)));
        if (Le32(program, at + 16) != 0) firstRaw = std::min(firstRaw, Le32(program, at + 20));
    }
    if (newHeader + 40 > firstRaw || newHeader + 40 > program.size()) return Fail(error, "no room for one more section header");
    for (size_t i = newHeader; i < newHeader + 40; ++i)
        if (program[i] != 0) return Fail(error, "the space after the section table is in use");

    // Inside the new section: the lower pattern, the jump (5 bytes) at
    // the new entry point, the higher pattern.
    int32_t low = std::min({r.firstOffset, r.secondOffset, 0});
    int32_t high = std::max({r.firstOffset, r.secondOffset, 0});
    for (int32_t offset : {r.firstOffset, r.secondOffset})
        if (offset > -static_cast<int32_t>(kLength) && offset < 5) return Fail(error, "a pattern would cover the jump");
    uint32_t stub = AlignUp(static_cast<uint32_t>(-low), 16);
    uint32_t used = std::max(stub + 5, stub + static_cast<uint32_t>(high) + kLength);
    uint32_t rawSize = AlignUp(used, fileAlignment);
    uint32_t rawPtr = AlignUp(static_cast<uint32_t>(program.size()), fileAlignment);
    uint32_t va = AlignUp(imageEnd, sectionAlignment);
    if (static_cast<uint64_t>(rawPtr) + rawSize > static_cast<uint32_t>(r.fileSize))
        return Fail(error, "the record's file size is too small for this program");

    std::vector<uint8_t> bytes = program;
    bytes.resize(static_cast<size_t>(r.fileSize), 0);
    uint32_t entry = va + stub;
    bytes[rawPtr + stub] = 0xE9;  // jmp rel32 to the old entry point
    PutLe32(bytes, rawPtr + stub + 1, oldEntry - (entry + 5));
    memcpy(&bytes[rawPtr + stub + r.firstOffset], r.firstPattern, kLength);
    memcpy(&bytes[rawPtr + stub + r.secondOffset], r.secondPattern, kLength);

    memcpy(&bytes[newHeader], ".sample", 7);
    PutLe32(bytes, newHeader + 8, rawSize);
    PutLe32(bytes, newHeader + 12, va);
    PutLe32(bytes, newHeader + 16, rawSize);
    PutLe32(bytes, newHeader + 20, rawPtr);
    PutLe32(bytes, newHeader + 36, 0x60000020);  // code, execute, read
    PutLe16(bytes, pe + 6, sections + 1);
    PutLe32(bytes, opt + 16, entry);
    PutLe32(bytes, opt + 56, AlignUp(va + rawSize, sectionAlignment));
    PutLe32(bytes, opt + 64, 0);  // no checksum (only drivers need one)
    *out = bytes;
    return true;
}

}  // namespace samples
