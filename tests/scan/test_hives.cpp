#include "test_hives.h"

#include <hivex.h>
#include <iconv.h>

#include <cstring>
#include <fstream>

namespace testhives {

namespace {

const uint32_t kBaseBlockSize = 0x1000;
const uint32_t kBinSize = 0x1000;
const uint32_t kBinHeaderSize = 0x20;
const uint32_t kNoCell = 0xFFFFFFFF;
const char kRootName[] = "ROOT";

void Put16(std::string* bytes, size_t at, uint16_t value) {
    (*bytes)[at] = static_cast<char>(value & 0xFF);
    (*bytes)[at + 1] = static_cast<char>(value >> 8);
}

void Put32(std::string* bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) (*bytes)[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

uint32_t Get32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
}

uint32_t RoundToCell(uint32_t size) { return (size + 7) & ~7u; }

// One hbin: its header, the root key's nk cell, the security cell that
// every key refers to, and the rest as one free cell. Offsets are from
// the start of the first hbin, as the file's own offsets are.
std::string FirstBin(uint32_t* rootOffset) {
    std::string bin(kBinSize, '\0');
    memcpy(&bin[0], "hbin", 4);
    Put32(&bin, 4, 0);         // this bin's offset
    Put32(&bin, 8, kBinSize);  // its size

    const uint32_t nkAt = kBinHeaderSize;
    const uint32_t nameLength = sizeof kRootName - 1;
    const uint32_t nkSize = RoundToCell(4 + 76 + nameLength);
    const uint32_t skAt = nkAt + nkSize;
    const uint32_t descriptorSize = 20;  // self-relative, no owner, group or lists
    const uint32_t skSize = RoundToCell(4 + 20 + descriptorSize);
    const uint32_t freeAt = skAt + skSize;

    Put32(&bin, nkAt, static_cast<uint32_t>(-static_cast<int32_t>(nkSize)));  // negative: in use
    const size_t nk = nkAt + 4;
    memcpy(&bin[nk], "nk", 2);
    Put16(&bin, nk + 2, 0x2C);         // hive entry, no delete, ASCII name
    Put32(&bin, nk + 16, kNoCell);     // parent
    Put32(&bin, nk + 28, kNoCell);     // subkey list: none
    Put32(&bin, nk + 32, kNoCell);     // volatile subkey list: none
    Put32(&bin, nk + 40, kNoCell);     // value list: none
    Put32(&bin, nk + 44, skAt);        // security
    Put32(&bin, nk + 48, kNoCell);     // class name: none
    Put16(&bin, nk + 72, static_cast<uint16_t>(nameLength));
    memcpy(&bin[nk + 76], kRootName, nameLength);

    Put32(&bin, skAt, static_cast<uint32_t>(-static_cast<int32_t>(skSize)));
    const size_t sk = skAt + 4;
    memcpy(&bin[sk], "sk", 2);
    Put32(&bin, sk + 4, skAt);  // the only security cell links to itself both ways
    Put32(&bin, sk + 8, skAt);
    Put32(&bin, sk + 12, 1);    // referenced by the root
    Put32(&bin, sk + 16, descriptorSize);
    bin[sk + 20] = 1;           // revision
    Put16(&bin, sk + 22, 0x8000);  // self-relative

    Put32(&bin, freeAt, kBinSize - freeAt);  // positive: free
    *rootOffset = nkAt;
    return bin;
}

std::string BaseBlock(uint32_t rootOffset) {
    std::string base(kBaseBlockSize, '\0');
    memcpy(&base[0], "regf", 4);
    Put32(&base, 4, 1);   // primary sequence number
    Put32(&base, 8, 1);   // secondary: equal, so the hive was saved cleanly
    Put32(&base, 20, 1);  // major version
    Put32(&base, 24, 5);  // minor version (XP and later)
    Put32(&base, 28, 0);  // primary file
    Put32(&base, 32, 1);  // direct memory load
    Put32(&base, 36, rootOffset);
    Put32(&base, 40, kBinSize);  // size of the hbins
    Put32(&base, 44, 1);         // clustering factor
    uint32_t sum = 0;
    for (size_t at = 0; at < 0x1FC; at += 4) sum ^= Get32(base, at);
    Put32(&base, 0x1FC, sum);
    return base;
}

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

hive_node_h MakeKey(hive_h* hive, const std::string& keyPath) {
    hive_node_h node = hivex_root(hive);
    for (const std::string& part : SplitPath(keyPath)) {
        hive_node_h child = hivex_node_get_child(hive, node, part.c_str());
        if (child == 0) child = hivex_node_add_child(hive, node, part.c_str());
        if (child == 0) return 0;
        node = child;
    }
    return node;
}

hive_node_h FindKey(hive_h* hive, const std::string& keyPath) {
    hive_node_h node = hivex_root(hive);
    for (const std::string& part : SplitPath(keyPath)) {
        node = hivex_node_get_child(hive, node, part.c_str());
        if (node == 0) return 0;
    }
    return node;
}

}  // namespace

bool WriteEmptyHive(const std::string& path) {
    uint32_t rootOffset = 0;
    std::string bin = FirstBin(&rootOffset);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << BaseBlock(rootOffset) << bin;
    return static_cast<bool>(out);
}

std::string Utf16(const std::string& text) {
    std::string out(text.size() * 4 + 4, '\0');
    iconv_t convert = iconv_open("UTF-16LE", "UTF-8");
    if (convert == reinterpret_cast<iconv_t>(-1)) return std::string();
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* outAt = &out[0];
    size_t outLeft = out.size();
    size_t done = iconv(convert, &in, &inLeft, &outAt, &outLeft);
    iconv_close(convert);
    if (done == static_cast<size_t>(-1)) return std::string();
    out.resize(out.size() - outLeft);
    return out + std::string(2, '\0');
}

bool SetHiveValues(const std::string& path, const std::string& keyPath, const std::vector<HiveValue>& values) {
    hive_h* hive = hivex_open(path.c_str(), HIVEX_OPEN_WRITE);
    if (hive == nullptr) return false;
    hive_node_h node = MakeKey(hive, keyPath);
    bool ok = node != 0;
    for (size_t i = 0; ok && i < values.size(); ++i) {
        std::string name = values[i].name;
        std::string bytes = values[i].bytes;
        hive_set_value value;
        value.key = &name[0];
        memcpy(&value.t, &values[i].type, sizeof value.t);  // any 32-bit type, named or not
        value.len = bytes.size();
        value.value = &bytes[0];
        ok = hivex_node_set_value(hive, node, &value, 0) == 0;
    }
    ok = ok && hivex_commit(hive, nullptr, 0) == 0;
    hivex_close(hive);
    return ok;
}

bool AddHiveKey(const std::string& path, const std::string& keyPath) {
    hive_h* hive = hivex_open(path.c_str(), HIVEX_OPEN_WRITE);
    if (hive == nullptr) return false;
    bool ok = MakeKey(hive, keyPath) != 0 && hivex_commit(hive, nullptr, 0) == 0;
    hivex_close(hive);
    return ok;
}

bool ReadHiveValues(const std::string& path, const std::string& keyPath, std::vector<HiveValue>* values) {
    values->clear();
    hive_h* hive = hivex_open(path.c_str(), 0);
    if (hive == nullptr) return false;
    hive_node_h node = FindKey(hive, keyPath);
    hive_value_h* handles = node != 0 ? hivex_node_values(hive, node) : nullptr;
    bool ok = handles != nullptr;
    for (size_t i = 0; ok && handles[i] != 0; ++i) {
        char* name = hivex_value_key(hive, handles[i]);
        uint32_t type = 0;
        size_t length = 0;
        char* data = hivex_value_value(hive, handles[i], reinterpret_cast<hive_type*>(&type), &length);
        ok = name != nullptr && data != nullptr;
        if (ok) values->push_back({name, type, std::string(data, length)});
        free(name);
        free(data);
    }
    free(handles);
    hivex_close(hive);
    return ok;
}

bool HiveHasKey(const std::string& path, const std::string& keyPath) {
    hive_h* hive = hivex_open(path.c_str(), 0);
    if (hive == nullptr) return false;
    bool found = FindKey(hive, keyPath) != 0;
    hivex_close(hive);
    return found;
}

}  // namespace testhives
