// Registry hives for the offline tests, made at run time: an empty hive
// written from the documented regf layout, then filled and read back
// through hivex. Key paths are below the hive's root, as
// "Microsoft\Windows\CurrentVersion\Run".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testhives {

const uint32_t kRegSz = 1;
const uint32_t kRegExpandSz = 2;
const uint32_t kRegBinary = 3;
const uint32_t kRegDword = 4;
const uint32_t kRegMultiSz = 7;

// A hive that holds only its root key: a base block with its checksum,
// one hbin with the root key, its security cell and free space.
bool WriteEmptyHive(const std::string& path);

// Text as a hive stores it: UTF-16LE with the terminating zero. The text
// is UTF-8.
std::string Utf16(const std::string& text);

struct HiveValue {
    std::string name;  // UTF-8
    uint32_t type = 0;
    std::string bytes;
};

// Makes the keys on the way and adds or replaces the values, in the
// order given, then commits. False when hivex refuses any step.
bool SetHiveValues(const std::string& path, const std::string& keyPath, const std::vector<HiveValue>& values);
bool AddHiveKey(const std::string& path, const std::string& keyPath);

// Reading back for checks. False when the hive or the key is missing.
bool ReadHiveValues(const std::string& path, const std::string& keyPath, std::vector<HiveValue>* values);
bool HiveHasKey(const std::string& path, const std::string& keyPath);

}  // namespace testhives
