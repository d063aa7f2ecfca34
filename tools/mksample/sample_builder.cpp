#include "sample_builder.h"

#include <algorithm>
#include <cstring>

#include "detect/signature_table.h"

namespace samples {

namespace {

const uint32_t kLength = kPatternLength;
const uint32_t kDefaultPeOffset = 0x80;
const uint32_t kSectionAlignment = 0x1000;
const uint32_t kFileAlignment = 0x200;
const uint32_t kCodeSection = 0x60000020;   // code, execute, read
const uint32_t kEmptySection = 0xC0000080;  // uninitialised data, read, write

uint32_t AlignUp(uint32_t value, uint32_t alignment) { return (value + alignment - 1) & ~(alignment - 1); }
uint32_t AlignDown(uint32_t value, uint32_t alignment) { return value & ~(alignment - 1); }

void PutLe16(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

void PutLe32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

struct Section {
    std::string name;
    uint32_t va = 0;
    uint32_t vsize = 0;
    uint32_t rawPtr = 0;
    uint32_t rawSize = 0;
    uint32_t characteristics = kCodeSection;
};

struct Layout {
    uint32_t size = 0;
    uint32_t peOffset = kDefaultPeOffset;  // where the PE header really is
    uint32_t lfanewField = kDefaultPeOffset;  // the 32-bit value stored at 0x3C
    uint32_t headers = 0x400;              // SizeOfHeaders
    uint32_t entry = 0;
    std::vector<Section> sections;
    int totalSections = 0;  // when larger than sections: empty sections appended
    bool damagedMz = false;
    bool newExecutable = false;  // "NE" in place of the PE signature
};

// A pattern (or, with no bytes, the entry point) at an address; placement
// fills in the file position and the section holding it.
struct Point {
    uint32_t address;
    const unsigned char* bytes;  // kLength bytes, or nullptr
    uint32_t fileOffset = 0;
    size_t section = 0;
    uint32_t Length() const { return bytes ? kLength : 1; }
};

bool Fail(std::string* error, const std::string& text) {
    *error = text;
    return false;
}

// Headers big enough for the section table, whole file-alignment units.
uint32_t HeaderSize(uint32_t peOffset, int maxSections) {
    return std::max<uint32_t>(0x400, AlignUp(peOffset + 248 + static_cast<uint32_t>(maxSections) * 40, kFileAlignment));
}

// An entry point high enough that no pattern address wraps below zero.
uint32_t ChooseEntry(std::initializer_list<int32_t> offsets) {
    int64_t lowest = 0;
    for (int32_t offset : offsets) lowest = std::min<int64_t>(lowest, offset);
    return AlignUp(static_cast<uint32_t>(0x1000 - lowest), 0x10);
}

// Everything in one code section right after the headers, when it fits.
bool PlaceInOneSection(Layout* layout, std::vector<Point>* points) {
    uint32_t low = layout->entry, high = layout->entry + 1;
    for (const Point& p : *points) {
        low = std::min(low, p.address);
        high = std::max(high, p.address + p.Length());
    }
    for (uint32_t alignment : {kSectionAlignment, 0x10u}) {
        uint32_t va = AlignDown(low, alignment);
        if (static_cast<uint64_t>(high - va) + layout->headers > layout->size) continue;
        Section text;
        text.name = ".text";
        text.va = va;
        text.vsize = AlignUp(high - va, kSectionAlignment);
        text.rawPtr = layout->headers;
        text.rawSize = std::min(AlignUp(high - va, kFileAlignment), layout->size - layout->headers);
        layout->sections.assign(1, text);
        for (Point& p : *points) {
            p.fileOffset = layout->headers + (p.address - va);
            p.section = 0;
        }
        return true;
    }
    return false;
}

// One section per group of overlapping points, in address order; raw data
// packed one after the other.
bool PlacePerPoint(Layout* layout, std::vector<Point>* points, std::string* error) {
    std::vector<size_t> order(points->size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(),
              [points](size_t a, size_t b) { return (*points)[a].address < (*points)[b].address; });
    struct Group {
        uint32_t first, end;
        std::vector<size_t> members;
    };
    std::vector<Group> groups;
    for (size_t index : order) {
        const Point& p = (*points)[index];
        if (!groups.empty() && p.address < groups.back().end) {
            groups.back().end = std::max(groups.back().end, p.address + p.Length());
            groups.back().members.push_back(index);
        } else {
            groups.push_back(Group{p.address, p.address + p.Length(), {index}});
        }
    }
    layout->sections.clear();
    uint32_t previousEnd = 0;
    uint32_t rawPtr = layout->headers;
    for (const Group& g : groups) {
        Section s;
        s.name = ".sect" + std::to_string(layout->sections.size());
        s.va = std::max(AlignDown(g.first, 0x10), previousEnd);
        uint32_t used = g.end - s.va;
        if (static_cast<uint64_t>(rawPtr) + used > layout->size) return Fail(error, "the file is too small for its patterns");
        s.rawPtr = rawPtr;
        s.rawSize = std::min(AlignUp(used, kFileAlignment), layout->size - rawPtr);
        rawPtr += AlignUp(used, kFileAlignment);
        for (size_t index : g.members) {
            (*points)[index].fileOffset = s.rawPtr + ((*points)[index].address - s.va);
            (*points)[index].section = layout->sections.size();
        }
        previousEnd = g.end;
        layout->sections.push_back(s);
    }
    for (size_t i = 0; i < layout->sections.size(); ++i) {
        Section& s = layout->sections[i];
        s.vsize = i + 1 < layout->sections.size() ? layout->sections[i + 1].va - s.va
                                                  : AlignUp(groups[i].end - s.va, kSectionAlignment);
    }
    return true;
}

bool Place(Layout* layout, std::vector<Point>* points, std::string* error) {
    return PlaceInOneSection(layout, points) || PlacePerPoint(layout, points, error);
}

// Points whose bytes would land on each other must agree there.
bool CheckNoConflict(const std::vector<Point>& points, std::string* error) {
    for (size_t i = 0; i < points.size(); ++i)
        for (size_t j = i + 1; j < points.size(); ++j) {
            const Point& a = points[i];
            const Point& b = points[j];
            if (!a.bytes || !b.bytes) continue;
            uint32_t start = std::max(a.fileOffset, b.fileOffset);
            uint32_t end = std::min(a.fileOffset + kLength, b.fileOffset + kLength);
            for (uint32_t at = start; at < end; ++at)
                if (a.bytes[at - a.fileOffset] != b.bytes[at - b.fileOffset])
                    return Fail(error, "two patterns would overlap with different bytes");
        }
    return true;
}

void WriteHeaders(Layout& layout, Sample* sample) {
    std::vector<Section> sections = layout.sections;
    while (static_cast<int>(sections.size()) < layout.totalSections) {
        const Section& last = sections.back();
        Section empty;
        empty.name = ".empty";
        empty.va = AlignUp(last.va + last.vsize, kSectionAlignment);
        empty.vsize = kSectionAlignment;
        empty.characteristics = kEmptySection;
        sections.push_back(empty);
    }
    uint32_t imageEnd = 0;
    for (const Section& s : sections) imageEnd = std::max(imageEnd, s.va + s.vsize);

    std::vector<uint8_t> h(std::max<uint32_t>(layout.headers, layout.peOffset + 248 + 40 * static_cast<uint32_t>(sections.size())));
    h[0] = layout.damagedMz ? 'X' : 'M';
    h[1] = layout.damagedMz ? 'X' : 'Z';
    PutLe16(h, 2, 0x90);
    PutLe16(h, 4, 3);
    PutLe16(h, 8, 4);
    PutLe16(h, 0x0C, 0xFFFF);
    PutLe16(h, 0x10, 0xB8);
    PutLe16(h, 0x18, 0x40);
    PutLe32(h, 0x3C, layout.lfanewField);
    static const char kStub[] = "This program cannot be run in DOS mode.\r\r\n$";
    if (layout.peOffset >= 0x40 + sizeof kStub) memcpy(&h[0x40], kStub, sizeof kStub - 1);

    size_t pe = layout.peOffset;
    h[pe] = layout.newExecutable ? 'N' : 'P';
    h[pe + 1] = 'E';
    size_t file = pe + 4;
    PutLe16(h, file + 0, 0x14C);  // i386
    PutLe16(h, file + 2, static_cast<uint32_t>(sections.size()));
    PutLe16(h, file + 16, 224);
    PutLe16(h, file + 18, 0x0102);  // executable, 32-bit
    size_t opt = pe + 24;
    PutLe16(h, opt + 0, 0x10B);
    h[opt + 2] = 6;
    PutLe32(h, opt + 4, sections.empty() ? 0 : sections[0].rawSize);
    PutLe32(h, opt + 16, layout.entry);
    PutLe32(h, opt + 20, sections.empty() ? 0 : sections[0].va);
    PutLe32(h, opt + 28, 0x400000);
    PutLe32(h, opt + 32, kSectionAlignment);
    PutLe32(h, opt + 36, kFileAlignment);
    PutLe16(h, opt + 40, 4);
    PutLe16(h, opt + 48, 4);
    PutLe32(h, opt + 56, AlignUp(imageEnd, kSectionAlignment));
    PutLe32(h, opt + 60, layout.headers);
    PutLe16(h, opt + 68, 2);  // GUI
    PutLe32(h, opt + 72, 0x100000);
    PutLe32(h, opt + 76, 0x1000);
    PutLe32(h, opt + 80, 0x100000);
    PutLe32(h, opt + 84, 0x1000);
    PutLe32(h, opt + 92, 16);
    for (size_t i = 0; i < sections.size(); ++i) {
        size_t at = pe + 248 + 40 * i;
        const Section& s = sections[i];
        memcpy(&h[at], s.name.c_str(), std::min<size_t>(8, s.name.size()));
        PutLe32(h, at + 8, s.vsize);
        PutLe32(h, at + 12, s.va);
        PutLe32(h, at + 16, s.rawSize);
        PutLe32(h, at + 20, s.rawPtr);
        PutLe32(h, at + 36, s.characteristics);
    }
    if (h.size() > layout.size) h.resize(layout.size);
    sample->size = layout.size;
    sample->Put(0, h.data(), h.size());
}

void WritePoints(const std::vector<Point>& points, Sample* sample) {
    for (const Point& p : points)
        if (p.bytes) sample->Put(p.fileOffset, p.bytes, kLength);
}

const Point* PatternPoint(const std::vector<Point>& points, const unsigned char* bytes) {
    for (const Point& p : points)
        if (p.bytes == bytes) return &p;
    return nullptr;
}

// The lower of the record's two pattern points.
Point* LowerPattern(std::vector<Point>& points) {
    Point* lower = nullptr;
    for (Point& p : points)
        if (p.bytes && (!lower || p.address < lower->address)) lower = &p;
    return lower;
}

bool Overlaps(uint32_t a, uint32_t b) { return a < b + kLength && b < a + kLength; }

// Layout and points of a plain match of `r` (more sections may follow).
bool MatchLayout(const SignatureRecord& r, int maxSections, uint32_t peOffset, Layout* layout,
                 std::vector<Point>* points, std::string* error) {
    layout->size = static_cast<uint32_t>(r.fileSize);
    layout->peOffset = peOffset;
    layout->lfanewField = peOffset;
    layout->headers = HeaderSize(peOffset, maxSections);
    layout->entry = ChooseEntry({r.firstOffset, r.secondOffset});
    points->clear();
    points->push_back(Point{layout->entry + static_cast<uint32_t>(r.firstOffset), r.firstPattern});
    points->push_back(Point{layout->entry + static_cast<uint32_t>(r.secondOffset), r.secondPattern});
    return Place(layout, points, error) && CheckNoConflict(*points, error);
}

bool BuildEntryInOtherSection(const SignatureRecord& r, bool decoy, Sample* sample, std::string* error) {
    Layout layout;
    layout.size = static_cast<uint32_t>(r.fileSize);
    layout.headers = HeaderSize(layout.peOffset, 5);
    layout.entry = ChooseEntry({r.firstOffset, r.secondOffset});
    std::vector<Point> points = {
        Point{layout.entry, nullptr},
        Point{layout.entry + static_cast<uint32_t>(r.firstOffset), r.firstPattern},
        Point{layout.entry + static_cast<uint32_t>(r.secondOffset), r.secondPattern},
    };
    if (!PlacePerPoint(&layout, &points, error) || !CheckNoConflict(points, error)) return false;
    if (points[0].section == points[1].section || points[0].section == points[2].section)
        return Fail(error, "a pattern touches the entry point, so they cannot lie in different sections");
    // The entry point's raw data goes where the patterns would be if one
    // mapped the entry point and then added the offsets in the file: that
    // is where the decoy puts them.
    Section& entrySection = layout.sections[points[0].section];
    uint32_t intoSection = layout.entry - entrySection.va;
    int64_t low = std::min<int64_t>({r.firstOffset, r.secondOffset, 0});
    int64_t high = std::max<int64_t>({r.firstOffset, r.secondOffset, 0}) + kLength;
    bool placed = false;
    for (int64_t ptr = AlignDown(static_cast<uint32_t>(std::max<int64_t>(0, layout.size - high - intoSection)), kFileAlignment);
         ptr >= layout.headers; ptr -= kFileAlignment) {
        int64_t entryAt = ptr + intoSection;
        if (entryAt + low < layout.headers || entryAt + high > layout.size) continue;
        uint32_t wrong1 = static_cast<uint32_t>(entryAt + r.firstOffset);
        uint32_t wrong2 = static_cast<uint32_t>(entryAt + r.secondOffset);
        bool clash = false;
        for (uint32_t wrong : {wrong1, wrong2})
            for (size_t i = 1; i < points.size(); ++i) clash = clash || Overlaps(wrong, points[i].fileOffset);
        if (clash) continue;
        entrySection.rawPtr = static_cast<uint32_t>(ptr);
        entrySection.rawSize = std::min<uint32_t>(kFileAlignment, layout.size - entrySection.rawPtr);
        if (decoy) {
            points[1].fileOffset = wrong1;
            points[2].fileOffset = wrong2;
        }
        placed = true;
        break;
    }
    if (!placed) return Fail(error, "no room for the entry point's section away from the patterns");
    WriteHeaders(layout, sample);
    WritePoints(points, sample);
    return true;
}

bool BuildBelowFirstSection(const SignatureRecord& r, bool decoy, Sample* sample, std::string* error) {
    // One section per pattern: a mapping that skipped section 0 would
    // take the last section and read elsewhere.
    Layout layout;
    layout.size = static_cast<uint32_t>(r.fileSize);
    layout.headers = HeaderSize(layout.peOffset, 5);
    layout.entry = ChooseEntry({r.firstOffset, r.secondOffset});
    std::vector<Point> points = {
        Point{layout.entry + static_cast<uint32_t>(r.firstOffset), r.firstPattern},
        Point{layout.entry + static_cast<uint32_t>(r.secondOffset), r.secondPattern},
    };
    if (!PlacePerPoint(&layout, &points, error) || !CheckNoConflict(points, error)) return false;
    if (layout.sections.size() < 2) return Fail(error, "the patterns overlap");
    Point* lower = LowerPattern(points);
    Section& first = layout.sections[0];
    // Move the start of section 0 above the lower pattern; start and raw
    // pointer move together, so every position it maps stays the same.
    uint32_t shift = lower->address + kLength - first.va;
    first.va += shift;
    first.vsize -= shift;
    first.rawPtr += shift;
    first.rawSize = first.rawSize > shift ? first.rawSize - shift : 0;
    if (decoy) {
        // Where a mapping that only trusts addresses inside a section
        // would look: the address itself.
        uint32_t identity = lower->address;
        if (identity < layout.headers || static_cast<uint64_t>(identity) + kLength > layout.size)
            return Fail(error, "the lower pattern's address is not a position in this file");
        for (const Point& p : points)
            if (p.bytes && Overlaps(identity, p.fileOffset)) return Fail(error, "the decoy would cover a real pattern");
        lower->fileOffset = identity;
    }
    WriteHeaders(layout, sample);
    WritePoints(points, sample);
    return true;
}

bool BuildBeyondEnd(const SignatureRecord& r, bool high, Sample* sample, std::string* error) {
    Layout layout;
    layout.size = static_cast<uint32_t>(r.fileSize);
    layout.headers = HeaderSize(layout.peOffset, 5);
    int32_t first = r.firstOffset, second = r.secondOffset;  // copies: the record is packed
    int32_t lowest = std::min(first, second);
    int64_t entry = std::max<int64_t>(0, static_cast<int64_t>(layout.headers) + 0x100 - lowest);
    layout.entry = static_cast<uint32_t>(entry);
    std::vector<Point> points = {
        Point{layout.entry + static_cast<uint32_t>(r.firstOffset), r.firstPattern},
        Point{layout.entry + static_cast<uint32_t>(r.secondOffset), r.secondPattern},
    };
    uint32_t top = 0;
    for (Point& p : points) {
        p.fileOffset = p.address;  // the fallback reads at the address itself
        top = std::max(top, p.address + kLength);
    }
    if (top > layout.size) return Fail(error, "the patterns' addresses lie past the end of the file");
    // Both addresses lie below the only section, whose raw data would start
    // past the end of the file (or at 2^31 and above).
    Section s;
    s.name = ".text";
    s.va = AlignUp(top, 0x10);
    s.vsize = kSectionAlignment;
    s.rawPtr = AlignUp(layout.size + s.va, kFileAlignment) + (high ? 0x80000000u : 0);
    s.rawSize = kFileAlignment;
    layout.sections.push_back(s);
    if (!CheckNoConflict(points, error)) return false;
    WriteHeaders(layout, sample);
    WritePoints(points, sample);
    return true;
}

bool BuildZeroOffset(const SignatureRecord& r, bool decoy, Sample* sample, std::string* error) {
    Layout layout;
    layout.size = static_cast<uint32_t>(r.fileSize);
    layout.headers = HeaderSize(layout.peOffset, 5);
    layout.entry = ChooseEntry({r.firstOffset, r.secondOffset});
    std::vector<Point> points = {
        Point{layout.entry + static_cast<uint32_t>(r.firstOffset), r.firstPattern},
        Point{layout.entry + static_cast<uint32_t>(r.secondOffset), r.secondPattern},
    };
    Point* lower = LowerPattern(points);
    Point* upper = lower == &points[0] ? &points[1] : &points[0];
    uint32_t distance = upper->address - lower->address;
    if (distance < layout.headers + kLength || static_cast<uint64_t>(distance) + kLength > layout.size)
        return Fail(error, "the patterns are too close together to map the lower one to position 0");
    // Section 0 starts SizeOfHeaders above the lower pattern with its raw
    // data at SizeOfHeaders: the lower pattern maps to position 0.
    Section s;
    s.name = ".text";
    s.va = lower->address + layout.headers;
    s.rawPtr = layout.headers;
    s.vsize = AlignUp(distance + kLength - layout.headers, kSectionAlignment);
    s.rawSize = std::min(AlignUp(distance + kLength - layout.headers, kFileAlignment), layout.size - layout.headers);
    layout.sections.push_back(s);
    lower->fileOffset = decoy ? 0 : layout.headers;
    upper->fileOffset = distance;
    WriteHeaders(layout, sample);
    WritePoints(points, sample);
    return true;
}

bool BuildTwoRecords(const SignatureRecord& r, const SignatureRecord& second, bool half, Sample* sample,
                     std::string* error) {
    Layout layout;
    layout.size = static_cast<uint32_t>(r.fileSize);
    layout.headers = HeaderSize(layout.peOffset, 5);
    layout.entry = ChooseEntry({r.firstOffset, r.secondOffset, second.firstOffset, second.secondOffset});
    std::vector<Point> points = {
        Point{layout.entry + static_cast<uint32_t>(r.firstOffset), r.firstPattern},
        Point{layout.entry + static_cast<uint32_t>(second.firstOffset), second.firstPattern},
        Point{layout.entry + static_cast<uint32_t>(second.secondOffset), second.secondPattern},
    };
    if (!half) points.push_back(Point{layout.entry + static_cast<uint32_t>(r.secondOffset), r.secondPattern});
    if (!Place(&layout, &points, error) || !CheckNoConflict(points, error)) return false;
    WriteHeaders(layout, sample);
    WritePoints(points, sample);
    return true;
}

bool BuildText(const SignatureRecord& r, Sample* sample) {
    static const char kLine[] = "[Settings]\r\nThis file is plain text, not a program.\r\n";
    sample->size = static_cast<uint32_t>(r.fileSize);
    std::vector<uint8_t> text(std::min<uint32_t>(sample->size, 65536));
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<uint8_t>(kLine[i % (sizeof kLine - 1)]);
    sample->Put(0, text.data(), text.size());
    return true;
}

// The kinds built on a plain match: size, byte, header and cut variations.
bool BuildFromMatch(const SignatureRecord& r, Kind kind, Sample* sample, std::string* error) {
    bool manySections = kind == Kind::kSections20 || kind == Kind::kSections21;
    uint32_t peOffset = kind == Kind::kLfanewHighBits ? 0x2345 : kDefaultPeOffset;
    Layout layout;
    std::vector<Point> points;
    if (!MatchLayout(r, manySections ? 21 : 5, peOffset, &layout, &points, error)) return false;
    if (kind == Kind::kLfanewHighBits) layout.lfanewField = 0x12345;
    if (kind == Kind::kSections20) layout.totalSections = 20;
    if (kind == Kind::kSections21) layout.totalSections = 21;
    layout.damagedMz = kind == Kind::kDamagedMz;
    layout.newExecutable = kind == Kind::kNotPe;
    WriteHeaders(layout, sample);
    if (kind != Kind::kClean) WritePoints(points, sample);

    const Point* first = PatternPoint(points, r.firstPattern);
    const Point* second = PatternPoint(points, r.secondPattern);
    uint32_t sections = static_cast<uint32_t>(std::max<size_t>(layout.sections.size(), layout.totalSections));
    switch (kind) {
    case Kind::kSizeMinusOne: sample->size -= 1; break;
    case Kind::kSizePlusOne: sample->size += 1; break;
    case Kind::kFirstPatternFirstByte: sample->PutByte(first->fileOffset, first->bytes[0] ^ 0xFF); break;
    case Kind::kFirstPatternLastByte: sample->PutByte(first->fileOffset + 19, first->bytes[19] ^ 0xFF); break;
    case Kind::kSecondPatternFirstByte: sample->PutByte(second->fileOffset, second->bytes[0] ^ 0xFF); break;
    case Kind::kSecondPatternLastByte: sample->PutByte(second->fileOffset + 19, second->bytes[19] ^ 0xFF); break;
    case Kind::kCutLfanew: sample->size = 0x3C + 1; break;
    case Kind::kCutSignature: sample->size = peOffset + 3; break;
    case Kind::kCutFileHeader: sample->size = peOffset + 4 + 19; break;
    case Kind::kCutOptionalHeader: sample->size = peOffset + 24 + 95; break;
    case Kind::kCutSectionTable: sample->size = peOffset + 248 + 40 * sections - 1; break;
    default: break;
    }
    return true;
}

}  // namespace

void Sample::Put(uint32_t offset, const uint8_t* data, size_t count) {
    pieces.push_back(Piece{offset, std::vector<uint8_t>(data, data + count)});
}

uint8_t Sample::ByteAt(uint32_t offset) const {
    uint8_t value = 0;
    if (offset >= size) return 0;
    for (const Piece& piece : pieces)
        if (offset >= piece.offset && offset - piece.offset < piece.bytes.size()) value = piece.bytes[offset - piece.offset];
    return value;
}

std::vector<uint8_t> Sample::Bytes() const {
    std::vector<uint8_t> bytes(size);
    for (const Piece& piece : pieces) {
        if (piece.offset >= size) continue;
        size_t count = std::min<size_t>(piece.bytes.size(), size - piece.offset);
        memcpy(&bytes[piece.offset], piece.bytes.data(), count);
    }
    return bytes;
}

const std::vector<KindInfo>& Kinds() {
    static const std::vector<KindInfo> kinds = {
        {Kind::kMatch, "match", "a PE32 file that matches the record", 1, false},
        {Kind::kSizeMinusOne, "size-minus-one", "the match, one byte short", 0, false},
        {Kind::kSizePlusOne, "size-plus-one", "the match, one byte longer", 0, false},
        {Kind::kFirstPatternFirstByte, "first-pattern-first-byte", "the first byte of the first pattern changed", 0, false},
        {Kind::kFirstPatternLastByte, "first-pattern-last-byte", "the last byte of the first pattern changed", 0, false},
        {Kind::kSecondPatternFirstByte, "second-pattern-first-byte", "the first byte of the second pattern changed", 0, false},
        {Kind::kSecondPatternLastByte, "second-pattern-last-byte", "the last byte of the second pattern changed", 0, false},
        {Kind::kEntryInOtherSection, "entry-in-other-section", "entry point and patterns in different sections", 1, false},
        {Kind::kEntryInOtherSectionDecoy, "entry-in-other-section-decoy",
         "patterns at the mapped entry point plus the offsets, in file space", 0, false},
        {Kind::kBelowFirstSection, "below-first-section", "the lower pattern lies below the first section", 1, false},
        {Kind::kBelowFirstSectionDecoy, "below-first-section-decoy",
         "that pattern at its address taken as a file position", 0, false},
        {Kind::kBeyondEndFallback, "beyond-end-fallback",
         "mapped positions past the end of the file: the addresses are the positions", 1, false},
        {Kind::kBeyondEndHigh, "beyond-end-high", "the same, with mapped positions at 2^31 and above", 1, false},
        {Kind::kZeroOffsetHeaders, "zero-offset-headers", "the lower pattern maps to 0 and is read at SizeOfHeaders", 1,
         false},
        {Kind::kZeroOffsetDecoy, "zero-offset-decoy", "that pattern at position 0 itself", 0, false},
        {Kind::kClean, "clean", "the record's layout and size without the patterns", 0, false},
        {Kind::kNotPe, "not-pe", "an NE signature where the PE signature belongs", 0, false},
        {Kind::kText, "text", "plain text of the record's size", 0, false},
        {Kind::kDamagedMz, "damaged-mz", "the match with its MZ signature spoiled", 1, false},
        {Kind::kLfanewHighBits, "lfanew-high-bits", "the match with e_lfanew 0x12345 and the header at 0x2345", 1, false},
        {Kind::kSections20, "sections-20", "the match with twenty sections", 1, false},
        {Kind::kSections21, "sections-21", "the match with twenty-one sections", 0, false},
        {Kind::kDoubleMatch, "double-match", "this record and the second record (same size) in one file", 1, true},
        {Kind::kHalfThenMatch, "half-then-match", "this record's first pattern only, and the whole second record", 2,
         true},
        {Kind::kCutLfanew, "cut-lfanew", "cut inside e_lfanew", 0, false},
        {Kind::kCutSignature, "cut-signature", "cut inside the PE signature", 0, false},
        {Kind::kCutFileHeader, "cut-file-header", "cut inside the file header", 0, false},
        {Kind::kCutOptionalHeader, "cut-optional-header", "cut inside the optional-header prefix", 0, false},
        {Kind::kCutSectionTable, "cut-section-table", "cut inside the section table", 0, false},
    };
    return kinds;
}

const KindInfo* FindKind(const std::string& name) {
    for (const KindInfo& info : Kinds())
        if (name == info.name) return &info;
    return nullptr;
}

const KindInfo& InfoOf(Kind kind) {
    for (const KindInfo& info : Kinds())
        if (info.kind == kind) return info;
    return Kinds()[0];
}

bool BuildSample(int record, Kind kind, const Options& options, Sample* sample, std::string* error) {
    if (record < 1 || record > kSignatureRecordCount) return Fail(error, "no such record");
    const SignatureRecord& r = SignatureTable[record - 1];
    const KindInfo& info = InfoOf(kind);
    const SignatureRecord* second = nullptr;
    if (info.needsSecondRecord) {
        if (options.secondRecord < 1 || options.secondRecord > kSignatureRecordCount || options.secondRecord == record)
            return Fail(error, "this kind needs a second, different record");
        second = &SignatureTable[options.secondRecord - 1];
        if (second->fileSize != r.fileSize) return Fail(error, "the two records differ in file size");
    }
    Sample built;
    bool made;
    switch (kind) {
    case Kind::kEntryInOtherSection:
    case Kind::kEntryInOtherSectionDecoy:
        made = BuildEntryInOtherSection(r, kind == Kind::kEntryInOtherSectionDecoy, &built, error);
        break;
    case Kind::kBelowFirstSection:
    case Kind::kBelowFirstSectionDecoy:
        made = BuildBelowFirstSection(r, kind == Kind::kBelowFirstSectionDecoy, &built, error);
        break;
    case Kind::kBeyondEndFallback:
    case Kind::kBeyondEndHigh: made = BuildBeyondEnd(r, kind == Kind::kBeyondEndHigh, &built, error); break;
    case Kind::kZeroOffsetHeaders:
    case Kind::kZeroOffsetDecoy: made = BuildZeroOffset(r, kind == Kind::kZeroOffsetDecoy, &built, error); break;
    case Kind::kDoubleMatch:
    case Kind::kHalfThenMatch: made = BuildTwoRecords(r, *second, kind == Kind::kHalfThenMatch, &built, error); break;
    case Kind::kText: made = BuildText(r, &built); break;
    default: made = BuildFromMatch(r, kind, &built, error); break;
    }
    if (!made) return false;
    if (options.cut >= 0 && options.cut < built.size) built.size = static_cast<uint32_t>(options.cut);
    *sample = built;
    return true;
}

HeaderPlaces PlacesOf(const Sample& sample) {
    uint32_t peOffset = sample.ByteAt(0x3C) | sample.ByteAt(0x3D) << 8;
    uint32_t sections = sample.ByteAt(peOffset + 6) | sample.ByteAt(peOffset + 7) << 8;
    return HeaderPlaces{peOffset, peOffset + 248 + 40 * sections};
}

}  // namespace samples
