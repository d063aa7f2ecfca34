#include "signature_formats.h"

#include <cstdio>

namespace {

const int32_t kSizeTolerance = 4096;

std::string Hex(const unsigned char* bytes, size_t count, const char* separator) {
    std::string text;
    char two[3];
    for (size_t i = 0; i < count; ++i) {
        if (i > 0) text += separator;
        snprintf(two, sizeof two, "%02x", bytes[i]);
        text += two;
    }
    return text;
}

// "EP+5000" or "EP-139908".
std::string EntryPointOffset(int32_t offset) {
    char text[32];
    if (offset < 0)
        snprintf(text, sizeof text, "EP-%lld", -static_cast<long long>(offset));
    else
        snprintf(text, sizeof text, "EP+%d", offset);
    return text;
}

// "pe.entry_point + 5000" or "pe.entry_point - 139908".
std::string YaraEntryPointOffset(int32_t offset) {
    char text[48];
    if (offset < 0)
        snprintf(text, sizeof text, "pe.entry_point - %lld", -static_cast<long long>(offset));
    else
        snprintf(text, sizeof text, "pe.entry_point + %d", offset);
    return text;
}

// The size range a record accepts, as [low, high]; false for no limit.
bool SizeRange(const PortableRecord& record, long long* low, long long* high) {
    if (record.sizeMode == 1) {
        *low = *high = record.fileSize;
        return true;
    }
    // Strictly less than the tolerance either way, never below 0.
    *low = static_cast<long long>(record.fileSize) - (kSizeTolerance - 1);
    *high = static_cast<long long>(record.fileSize) + (kSizeTolerance - 1);
    if (*low < 0) *low = 0;
    return true;
}

bool KnownMode(int32_t mode) { return mode >= 1 && mode <= 3; }

}  // namespace

std::string VariantCode(const std::string& detectionName) {
    size_t first = detectionName.find('.');
    size_t second = detectionName.find('.', first + 1);
    if (first == std::string::npos || second == std::string::npos) return "X";
    return detectionName.substr(first + 1, second - first - 1);
}

bool ClamAvLogicalSignature(const PortableRecord& record, std::string* line) {
    if (!KnownMode(record.sizeMode)) return false;
    char name[96];
    snprintf(name, sizeof name, "Gorvex.%s.Trojan-r%03d", VariantCode(record.detectionName).c_str(), record.number);
    // Target 1: PE files only, so the entry point is known.
    std::string target = "Engine:51-255,Target:1";
    long long low, high;
    if (record.sizeMode != 3 && SizeRange(record, &low, &high))
        target += ",FileSize:" + std::to_string(low) + "-" + std::to_string(high);
    *line = std::string(name) + ";" + target + ";0&1;" + EntryPointOffset(record.firstOffset) + ":" +
            Hex(record.firstPattern, 20, "") + ";" + EntryPointOffset(record.secondOffset) + ":" +
            Hex(record.secondPattern, 20, "");
    return true;
}

bool YaraRule(const PortableRecord& record, std::string* rule) {
    if (!KnownMode(record.sizeMode)) return false;
    char name[96];
    snprintf(name, sizeof name, "gorvex_r%03d_%s", record.number, VariantCode(record.detectionName).c_str());
    std::string condition;
    long long low, high;
    if (record.sizeMode == 1)
        condition = "filesize == " + std::to_string(record.fileSize) + " and ";
    else if (record.sizeMode == 2 && SizeRange(record, &low, &high))
        condition = "filesize >= " + std::to_string(low) + " and filesize <= " + std::to_string(high) + " and ";
    condition += "$a at " + YaraEntryPointOffset(record.firstOffset) + " and $b at " +
                 YaraEntryPointOffset(record.secondOffset);
    *rule = std::string("rule ") + name + "\n{\n    meta:\n        detection = \"" + record.detectionName +
            "\"\n        record = " + std::to_string(record.number) + "\n    strings:\n        $a = { " +
            Hex(record.firstPattern, 20, " ") + " }\n        $b = { " + Hex(record.secondPattern, 20, " ") +
            " }\n    condition:\n        " + condition + "\n}\n";
    return true;
}
