#include "file_content.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

const size_t kChunk = 65536;

const char* const kWords[] = {
    "system", "driver", "config", "update", "window", "shell", "network", "printer", "service", "install",
    "setup", "remove", "version", "default", "option", "display", "sound", "device", "font", "user",
    "profile", "desktop", "startup", "program", "files", "common", "temp", "cache", "data", "help",
    "error", "warning", "status", "value", "key", "path", "name", "file", "folder", "size",
};
const size_t kWordCount = sizeof kWords / sizeof kWords[0];

void Put16(std::string& image, size_t at, uint32_t value) {
    image[at] = static_cast<char>(value & 0xFF);
    image[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& image, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) image[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

uint32_t AlignUp(uint64_t value, uint32_t alignment) {
    return static_cast<uint32_t>((value + alignment - 1) / alignment * alignment);
}

void FillRandom(CorpusRandom& random, unsigned char* buffer, size_t count) {
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        uint64_t word = random.Next();
        memcpy(buffer + i, &word, 8);
    }
    uint64_t last = random.Next();
    for (; i < count; ++i, last >>= 8) buffer[i] = static_cast<unsigned char>(last);
}

// Random bytes, one chunk drawn fresh and then varied: cheap for large
// files, never all alike.
bool WriteRandomBytes(CorpusRandom& random, uint64_t count, FILE* out) {
    static std::vector<unsigned char> chunk(kChunk);
    FillRandom(random, chunk.data(), chunk.size());
    while (count > 0) {
        size_t now = count < kChunk ? static_cast<size_t>(count) : kChunk;
        uint64_t vary = random.Next();
        memcpy(chunk.data() + (vary % (kChunk - 8)), &vary, 8);
        if (fwrite(chunk.data(), 1, now, out) != now) return false;
        count -= now;
    }
    return true;
}

bool WriteText(CorpusRandom& random, uint64_t size, FILE* out) {
    std::string text;
    text.reserve(kChunk + 64);
    uint64_t written = 0;
    while (written < size) {
        text.clear();
        while (text.size() < kChunk && written + text.size() < size) {
            text += kWords[random.Next() % kWordCount];
            text += random.Chance(1200) ? "\r\n" : random.Chance(800) ? "=" : " ";
        }
        size_t now = text.size();
        if (written + now > size) now = static_cast<size_t>(size - written);
        if (fwrite(text.data(), 1, now, out) != now) return false;
        written += now;
    }
    return true;
}

// An MZ program that an inspection must pass over: a plain DOS program
// (no new header), or a 16-bit one whose header says "NE" or "LE".
bool WriteDosProgram(CorpusRandom& random, uint64_t size, FILE* out) {
    std::string header(64, '\0');
    header[0] = 'M';
    header[1] = 'Z';
    Put16(header, 2, static_cast<uint32_t>(size % 512));
    Put16(header, 4, static_cast<uint32_t>((size + 511) / 512));
    Put16(header, 0x18, 0x40);
    uint32_t newHeader = 0;
    int form = static_cast<int>(random.Next() % 3);
    if (form > 0 && size >= 0x90) newHeader = 0x80;
    Put32(header, 0x3C, newHeader);
    if (size <= header.size()) return fwrite(header.data(), 1, static_cast<size_t>(size), out) == size;
    if (fwrite(header.data(), 1, header.size(), out) != header.size()) return false;
    uint64_t rest = size - header.size();
    if (newHeader != 0) {
        std::string stub(newHeader - header.size(), '\0');
        std::string signature = form == 1 ? "NE" : "LE";
        if (fwrite(stub.data(), 1, stub.size(), out) != stub.size()) return false;
        if (fwrite(signature.data(), 1, 2, out) != 2) return false;
        rest -= stub.size() + 2;
    }
    return WriteRandomBytes(random, rest, out);
}

}  // namespace

bool WritePlainFile(CorpusRandom& random, PlainKind kind, uint64_t size, FILE* out) {
    switch (kind) {
    case PlainKind::kText: return WriteText(random, size, out);
    case PlainKind::kBinary: return WriteRandomBytes(random, size, out);
    case PlainKind::kDosProgram: return WriteDosProgram(random, size, out);
    case PlainKind::kTiny: return WriteRandomBytes(random, size, out);
    }
    return false;
}

bool WriteCleanPe(CorpusRandom& random, uint64_t size, bool manySections, FILE* out) {
    const uint32_t kFileAlignment = 0x200;
    const uint32_t kSectionAlignment = 0x1000;
    uint32_t peOffset = static_cast<uint32_t>(random.Between(0x10, 0x23)) * 8;  // 0x80 to 0x118
    uint32_t sections = manySections ? static_cast<uint32_t>(random.Between(21, 24))
                                     : static_cast<uint32_t>(random.Between(1, 6));
    uint32_t headerSize = AlignUp(peOffset + 248 + sections * 40, kFileAlignment);
    while (sections > 1 && headerSize + sections * kFileAlignment > size) --sections;
    if (headerSize + kFileAlignment > size) return false;

    // Raw sizes: a random share of the body per section, each aligned and
    // at least one unit; what is left over stays behind the last section
    // as an overlay, as installers have.
    uint64_t units = (size - headerSize) / kFileAlignment;
    std::vector<uint64_t> weights(sections);
    uint64_t weightSum = 0;
    for (uint64_t& weight : weights) weightSum += weight = random.Between(1, 8);
    std::vector<uint32_t> raw(sections);
    uint64_t unitsLeft = units;
    for (uint32_t i = 0; i < sections; ++i) {
        uint64_t share = (units - sections) * weights[i] / weightSum + 1;
        if (share > unitsLeft - (sections - 1 - i)) share = unitsLeft - (sections - 1 - i);
        raw[i] = static_cast<uint32_t>(share * kFileAlignment);
        unitsLeft -= share;
    }

    std::string image(headerSize, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    Put16(image, 2, 0x90);
    Put16(image, 4, 3);
    Put16(image, 0x18, 0x40);
    Put32(image, 0x3C, peOffset);
    memcpy(&image[0x4E], "This program cannot be run in DOS mode.\r\r\n$", 44);
    memcpy(&image[peOffset], "PE\0\0", 4);
    size_t fileHeader = peOffset + 4;
    Put16(image, fileHeader, 0x14C);  // i386
    Put16(image, fileHeader + 2, sections);
    Put32(image, fileHeader + 4, static_cast<uint32_t>(0x3A000000u + random.Next() % 0x10000000u));
    Put16(image, fileHeader + 16, 224);
    bool library = random.Chance(4000);
    Put16(image, fileHeader + 18, library ? 0x210E : 0x010F);
    size_t optional = fileHeader + 20;
    Put16(image, optional, 0x10B);
    image[optional + 2] = 6;
    uint32_t virtualAddress = kSectionAlignment;
    std::vector<uint32_t> addresses(sections);
    for (uint32_t i = 0; i < sections; ++i) {
        addresses[i] = virtualAddress;
        virtualAddress += AlignUp(raw[i], kSectionAlignment);
    }
    uint32_t entry = addresses[0] + static_cast<uint32_t>(random.Next() % raw[0]);
    Put32(image, optional + 4, raw[0]);
    Put32(image, optional + 16, entry);
    Put32(image, optional + 20, addresses[0]);
    Put32(image, optional + 28, library ? 0x10000000u : 0x00400000u);
    Put32(image, optional + 32, kSectionAlignment);
    Put32(image, optional + 36, kFileAlignment);
    Put16(image, optional + 40, 4);
    Put16(image, optional + 48, 4);
    Put32(image, optional + 56, virtualAddress);
    Put32(image, optional + 60, headerSize);
    Put16(image, optional + 68, random.Chance(7000) ? 2 : 3);
    Put32(image, optional + 72, 0x100000);
    Put32(image, optional + 76, 0x1000);
    Put32(image, optional + 80, 0x100000);
    Put32(image, optional + 84, 0x1000);
    Put32(image, optional + 92, 16);
    static const char* const kNames[] = {".text", ".rdata", ".data", ".rsrc", ".reloc", ".idata"};
    uint32_t pointer = headerSize;
    for (uint32_t i = 0; i < sections; ++i) {
        size_t at = peOffset + 248 + i * 40;
        const char* name = kNames[i % 6];
        memcpy(&image[at], name, strlen(name));
        Put32(image, at + 8, raw[i] - static_cast<uint32_t>(random.Next() % kFileAlignment));
        Put32(image, at + 12, addresses[i]);
        Put32(image, at + 16, raw[i]);
        Put32(image, at + 20, pointer);
        Put32(image, at + 36, i == 0 ? 0x60000020u : 0xC0000040u);
        pointer += raw[i];
    }
    if (fwrite(image.data(), 1, image.size(), out) != image.size()) return false;
    return WriteRandomBytes(random, size - headerSize, out);
}
