// Our records as ClamAV and YARA signatures: offsets from the entry
// point in both directions, the size condition of every mode, and no rule
// for a record that can never match.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "signature_formats.h"

namespace {

// Record 1 as the table holds it.
PortableRecord RecordOne() {
    PortableRecord r;
    r.number = 1;
    r.detectionName = "W32/Gorvex.Pfw.Trojan";
    r.firstOffset = -139908;
    const unsigned char first[20] = {0x00, 0xE9, 0x78, 0x92, 0x01, 0x00, 0xE9, 0xD3, 0x85, 0x01,
                                     0x00, 0xE9, 0xAE, 0x63, 0x01, 0x00, 0xE9, 0x79, 0x9C, 0x01};
    const unsigned char second[20] = {0xCC, 0xCC, 0x8B, 0x4D, 0xF0, 0xE9, 0x26, 0xCB, 0xFD, 0xFF,
                                      0xB8, 0x40, 0x56, 0x42, 0x00, 0xE9, 0x3A, 0xEB, 0xFF, 0xFF};
    memcpy(r.firstPattern, first, 20);
    r.secondOffset = 5000;
    memcpy(r.secondPattern, second, 20);
    r.fileSize = 175616;
    r.sizeMode = 1;
    return r;
}

TEST(SignatureFormats, ClamAvLineOfRecordOne) {
    std::string line;
    ASSERT_TRUE(ClamAvLogicalSignature(RecordOne(), &line));
    EXPECT_EQ(line,
              "Gorvex.Pfw.Trojan-r001;Engine:51-255,Target:1,FileSize:175616-175616;0&1;"
              "EP-139908:00e978920100e9d3850100e9ae630100e9799c01;"
              "EP+5000:cccc8b4df0e926cbfdffb840564200e93aebffff");
}

TEST(SignatureFormats, YaraRuleOfRecordOne) {
    std::string rule;
    ASSERT_TRUE(YaraRule(RecordOne(), &rule));
    EXPECT_NE(rule.find("rule gorvex_r001_Pfw\n"), std::string::npos) << rule;
    EXPECT_NE(rule.find("$a = { 00 e9 78 92 01 00 e9 d3 85 01 00 e9 ae 63 01 00 e9 79 9c 01 }"), std::string::npos)
        << rule;
    EXPECT_NE(rule.find("filesize == 175616 and $a at pe.entry_point - 139908 and $b at pe.entry_point + 5000"),
              std::string::npos)
        << rule;
    EXPECT_NE(rule.find("detection = \"W32/Gorvex.Pfw.Trojan\""), std::string::npos) << rule;
}

TEST(SignatureFormats, SizeConditionOfEveryMode) {
    struct Row {
        int32_t mode;
        int32_t size;
        bool rule;
        const char* clam;  // the target block's size part, "" for none
        const char* yara;  // the condition's size part, "" for none
    };
    const Row rows[] = {
        {1, 20000, true, ",FileSize:20000-20000;", "filesize == 20000 and "},
        // Near: differences of 4095 either way pass, 4096 does not.
        {2, 20000, true, ",FileSize:15905-24095;", "filesize >= 15905 and filesize <= 24095 and "},
        {2, 100, true, ",FileSize:0-4195;", "filesize >= 0 and filesize <= 4195 and "},
        {3, 20000, true, "", ""},
        {0, 20000, false, "", ""},
        {4, 20000, false, "", ""},
    };
    for (const Row& row : rows) {
        PortableRecord r = RecordOne();
        r.sizeMode = row.mode;
        r.fileSize = row.size;
        std::string line, rule;
        EXPECT_EQ(ClamAvLogicalSignature(r, &line), row.rule) << row.mode;
        EXPECT_EQ(YaraRule(r, &rule), row.rule) << row.mode;
        if (!row.rule) continue;
        if (*row.clam) {
            EXPECT_NE(line.find(row.clam), std::string::npos) << line;
        } else {
            EXPECT_EQ(line.find("FileSize"), std::string::npos) << line;
        }
        if (*row.yara) {
            EXPECT_NE(rule.find(std::string("        ") + row.yara + "$a at"), std::string::npos) << rule;
        } else {
            EXPECT_EQ(rule.find("filesize"), std::string::npos) << rule;
        }
    }
}

TEST(SignatureFormats, OffsetsAtTheEntryPointAndAtTheExtremes) {
    PortableRecord r = RecordOne();
    r.firstOffset = 0;
    r.secondOffset = -2147483647 - 1;
    std::string line, rule;
    ASSERT_TRUE(ClamAvLogicalSignature(r, &line));
    ASSERT_TRUE(YaraRule(r, &rule));
    EXPECT_NE(line.find(";EP+0:"), std::string::npos) << line;
    EXPECT_NE(line.find(";EP-2147483648:"), std::string::npos) << line;
    EXPECT_NE(rule.find("$a at pe.entry_point + 0 and $b at pe.entry_point - 2147483648"), std::string::npos)
        << rule;
}

TEST(SignatureFormats, VariantCodes) {
    EXPECT_EQ(VariantCode("W32/Gorvex.Pfw.Trojan"), "Pfw");
    EXPECT_EQ(VariantCode("W32/Gorvex.Aaft.Trojan"), "Aaft");
    EXPECT_EQ(VariantCode("W32/Gorvex"), "X");
}

}  // namespace
