// Our signature records written as a ClamAV logical signature and as a
// YARA rule. Offsets count from the entry point, as ours do; they mean
// the same in a file whose sections all keep one distance between
// address and file position (the corpus samples are laid out so).
#pragma once

#include <cstdint>
#include <string>

struct PortableRecord {
    int number;  // 1-based position in the table
    std::string detectionName;  // "W32/Gorvex.Pfw.Trojan"
    int32_t firstOffset;
    unsigned char firstPattern[20];
    int32_t secondOffset;
    unsigned char secondPattern[20];
    int32_t fileSize;
    int32_t sizeMode;  // 1 exact, 2 near (within 4095 either way), 3 any; others never match
};

// False for a record that never matches (unknown size mode): it gets no
// rule at all. Otherwise one line of a .ldb database.
bool ClamAvLogicalSignature(const PortableRecord& record, std::string* line);

// One rule of a YARA file that imports "pe".
bool YaraRule(const PortableRecord& record, std::string* rule);

// The variant code of a detection name: "Pfw" of "W32/Gorvex.Pfw.Trojan".
std::string VariantCode(const std::string& detectionName);
