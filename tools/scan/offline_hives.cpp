#include "offline_hives.h"

#include <fcntl.h>
#include <iconv.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const uint32_t kRegSz = 1;
const uint32_t kRegExpandSz = 2;
const uint32_t kRegDword = 4;
const uint32_t kRegMultiSz = 7;

// The SOFTWARE keys whose values the scan reads: the startup keys it
// walks and deletes from, the trojan's uninstall key, and the maker's
// product key of the main window's check. Below HKLM\SOFTWARE as a 32-bit
// program sees it.
const char* const kSoftwareKeys[] = {
    "Microsoft\\Windows\\CurrentVersion\\Run",
    "Microsoft\\Windows\\CurrentVersion\\RunServices",
    "Microsoft\\Windows\\CurrentVersion\\Uninstall\\rhcjg7j0e38v",
    "Tessary\\Wardmont 2000",
};

// The service registrations the scan may delete, in both control sets:
// Services\NAME, its Enum and Security subkeys. Three levels below
// Services tell whether each of those still has subkeys, which is all a
// key deletion depends on; their values are never read.
const char* const kServiceFolders[] = {"ControlSet001\\Services", "ControlSet002\\Services"};
const int kServiceLevels = 3;

const char kVersionKey[] = "Microsoft\\Windows NT\\CurrentVersion";
const char kWow64View[] = "Wow6432Node";

std::vector<std::string> SplitKeyPath(const std::string& path) {
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

// hivex compares names with strcasecmp, which in our C locale ignores
// ASCII case only; every name looked up here is ASCII.
hive_node_h FindKey(hive_h* hive, hive_node_h from, const std::string& path) {
    hive_node_h node = from;
    for (const std::string& part : SplitKeyPath(path)) {
        node = hivex_node_get_child(hive, node, part.c_str());
        if (node == 0) return 0;
    }
    return node;
}

bool OpenHive(OfflineHive* hive, const char* name, const std::string& hostPath, const std::string& windowsPath,
              bool forWriting, std::string* error) {
    hive->name = name;
    hive->hostPath = hostPath;
    hive->windowsPath = windowsPath;
    hive->hive = hivex_open(hostPath.c_str(), forWriting ? HIVEX_OPEN_WRITE : 0);
    if (hive->hive == nullptr) {
        *error = std::string("the ") + name + " hive " + windowsPath + " cannot be opened (" + strerror(errno) +
                 "): it is damaged or not a registry hive";
        return false;
    }
    // Bytes 4 and 8 of the base block: Windows raises the first before it
    // writes the file and the second after, so they differ when a write
    // did not finish.
    unsigned char sequence[8] = {0};
    int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    bool read = fd != -1 && pread(fd, sequence, sizeof sequence, 4) == static_cast<ssize_t>(sizeof sequence);
    if (fd != -1) close(fd);
    hive->savedCleanly = read && memcmp(sequence, sequence + 4, 4) == 0;
    return true;
}

// The value's bytes, or false when it is missing or unreadable.
bool RawValue(hive_h* hive, hive_value_h value, uint32_t* type, std::string* bytes) {
    // Types beyond the enum's names are real (Windows 10 stores 0x20000
    // and up): received as the 32-bit number they are, never as the enum.
    static_assert(sizeof(hive_type) == sizeof(uint32_t), "hive_type is a 32-bit number");
    size_t length = 0;
    char* data = hivex_value_value(hive, value, reinterpret_cast<hive_type*>(type), &length);
    if (data == nullptr) return false;
    bytes->assign(data, length);
    free(data);
    return true;
}

// A REG_SZ or REG_EXPAND_SZ value as text, up to its terminator.
bool TextValue(hive_h* hive, hive_node_h node, const char* name, std::string* text) {
    hive_value_h value = node != 0 ? hivex_node_get_value(hive, node, name) : 0;
    uint32_t type = 0;
    std::string bytes;
    if (value == 0 || !RawValue(hive, value, &type, &bytes)) return false;
    if ((type != kRegSz && type != kRegExpandSz) || !Utf16ToUtf8(bytes, text)) return false;
    text->resize(strlen(text->c_str()));
    return true;
}

bool DwordValue(hive_h* hive, hive_node_h node, const char* name, uint32_t* number) {
    hive_value_h value = node != 0 ? hivex_node_get_value(hive, node, name) : 0;
    uint32_t type = 0;
    std::string bytes;
    if (value == 0 || !RawValue(hive, value, &type, &bytes) || type != kRegDword || bytes.size() != 4) return false;
    *number = 0;
    for (int i = 0; i < 4; ++i) *number |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return true;
}

std::shared_ptr<winsim::RegistryKey> MachineKey(winsim::Registry* machine, const std::string& path) {
    if (!machine->CreateKey(HKEY_LOCAL_MACHINE, path)) return nullptr;
    LONG error = 0;
    return winsim::Registry::Find(machine->Root(HKEY_LOCAL_MACHINE), path, &error);
}

// One key's values, in the hive's order, as RegEnumValueA on Windows gives them.
bool LoadValues(OfflineHive* hive, LoadedKey* key, winsim::RegistryKey* target, std::string* error) {
    hive_value_h* values = hivex_node_values(hive->hive, key->node);
    if (values == nullptr) {
        *error = "the " + hive->name + " hive is damaged: the values of " + key->hivePath + " cannot be read";
        return false;
    }
    target->valuesInCreationOrder = true;
    for (size_t i = 0; values[i] != 0; ++i) {
        char* rawName = hivex_value_key(hive->hive, values[i]);
        bool named = rawName != nullptr;
        std::string name = named ? rawName : "";
        free(rawName);
        uint32_t type = 0;
        std::string bytes;
        const char* why = nullptr;
        if (!named) {
            why = "its name is not valid UTF-16";
        } else if (target->Value(name) != nullptr) {
            why = "its name is there twice";  // the first value of the name is the one read
        } else if (!RawValue(hive->hive, values[i], &type, &bytes)) {
            why = "its data cannot be read";
        } else if (type == kRegSz || type == kRegExpandSz || type == kRegMultiSz) {
            std::string text;
            if (Utf16ToUtf8(bytes, &text))
                bytes = text;
            else
                why = "its text is not valid UTF-16";
        }
        if (why != nullptr) {
            hive->leftOut.push_back(key->hivePath + ", value \"" + name + "\" (" + why + ")");
            continue;
        }
        target->SetValue(name, type, bytes);
        key->values.push_back({values[i], name});
    }
    free(values);
    return true;
}

// `target` is the key's copy in the simulated registry. Subkeys are made
// on their parent directly: walking from the root for each of a thousand
// services would cost more than all the rest of the load.
bool LoadKeyTree(OfflineHive* hive, hive_node_h node, const std::shared_ptr<winsim::RegistryKey>& target,
                 const std::string& machinePath, const std::string& hivePath, int levelsLeft, std::string* error) {
    LoadedKey key;
    key.machinePath = machinePath;
    key.hivePath = hivePath;
    key.node = node;
    key.machineKey = target;
    key.childrenLoaded = levelsLeft > 0;
    if (levelsLeft > 0) {
        hive_node_h* children = hivex_node_children(hive->hive, node);
        if (children == nullptr) {
            *error = "the " + hive->name + " hive is damaged: the subkeys of " + hivePath + " cannot be read";
            return false;
        }
        bool ok = true;
        for (size_t i = 0; ok && children[i] != 0; ++i) {
            char* rawName = hivex_node_name(hive->hive, children[i]);
            std::string name = rawName != nullptr ? rawName : "";
            free(rawName);
            size_t before = target->subkeys.size();
            std::shared_ptr<winsim::RegistryKey> child;
            if (!name.empty() && name.find('\\') == std::string::npos) child = target->AddSubkey(name);
            // A name that is not valid UTF-16, holds a backslash, or is
            // there twice: the key keeps such a subkey, so it may never be
            // deleted from the hive.
            if (child == nullptr || target->subkeys.size() == before) {
                key.childrenLoaded = false;
                continue;
            }
            ok = LoadKeyTree(hive, children[i], child, machinePath + "\\" + name, hivePath + "\\" + name,
                             levelsLeft - 1, error);
        }
        free(children);
        if (!ok) return false;
    }
    hive->keys.push_back(key);
    return true;
}

}  // namespace

bool Utf16ToUtf8(const std::string& utf16, std::string* utf8) {
    utf8->clear();
    if (utf16.size() % 2 != 0) return false;
    if (utf16.empty()) return true;
    iconv_t convert = iconv_open("UTF-8", "UTF-16LE");
    if (convert == reinterpret_cast<iconv_t>(-1)) return false;
    std::string out(utf16.size() * 2, '\0');  // at most 3 bytes for 2, 4 for 4
    char* in = const_cast<char*>(utf16.data());
    size_t inLeft = utf16.size();
    char* at = &out[0];
    size_t outLeft = out.size();
    bool converted = iconv(convert, &in, &inLeft, &at, &outLeft) != static_cast<size_t>(-1) && inLeft == 0;
    iconv_close(convert);
    if (!converted) return false;
    out.resize(out.size() - outLeft);
    *utf8 = out;
    return true;
}

bool OpenOfflineHives(const WindowsInstallation& installation, bool forWriting, OfflineRegistry* registry,
                      std::string* error) {
    const std::string config = installation.configWindowsPath + "\\";
    auto fileName = [](const std::string& path) { return path.substr(path.rfind('/') + 1); };
    if (!OpenHive(&registry->software, "SOFTWARE", installation.softwareHive,
                  config + fileName(installation.softwareHive), forWriting, error))
        return false;
    if (!OpenHive(&registry->system, "SYSTEM", installation.systemHive, config + fileName(installation.systemHive),
                  forWriting, error)) {
        CloseOfflineHives(registry);
        return false;
    }
    return true;
}

bool ReadWindowsVersion(OfflineRegistry* registry, std::string* error) {
    hive_h* hive = registry->software.hive;
    hive_node_h root = hivex_root(hive);
    hive_node_h current = FindKey(hive, root, kVersionKey);
    std::string versionText;
    uint32_t major = 0;
    uint32_t minor = 0;
    // Windows 10 and later keep "6.3" in CurrentVersion for old programs
    // and give the real numbers beside it.
    if (!DwordValue(hive, current, "CurrentMajorVersionNumber", &major)) {
        if (!TextValue(hive, current, "CurrentVersion", &versionText) ||
            sscanf(versionText.c_str(), "%u.%u", &major, &minor) != 2)
            major = 0;
    } else if (!DwordValue(hive, current, "CurrentMinorVersionNumber", &minor)) {
        minor = 0;
    }
    if (major == 0) {
        *error = "the SOFTWARE hive " + registry->software.windowsPath + " names no Windows version (" +
                 std::string(kVersionKey) + ", CurrentVersion)";
        return false;
    }
    std::string build;
    if (!TextValue(hive, current, "CurrentBuildNumber", &build)) TextValue(hive, current, "CurrentBuild", &build);
    registry->version = winsim::VersionInfo();
    registry->version.platformId = VER_PLATFORM_WIN32_NT;
    registry->version.major = major;
    registry->version.minor = minor;
    registry->version.build = static_cast<DWORD>(strtoul(build.c_str(), nullptr, 10));
    if (!TextValue(hive, current, "ProductName", &registry->productName)) registry->productName = "Windows NT";
    if (!TextValue(hive, current, "SystemRoot", &registry->systemRoot)) registry->systemRoot.clear();

    registry->wow64 = hivex_node_get_child(hive, root, kWow64View) != 0;
    hive_node_h view = registry->wow64 ? hivex_node_get_child(hive, root, kWow64View) : root;
    if (!TextValue(hive, FindKey(hive, view, "Microsoft\\Windows\\CurrentVersion"), "ProgramFilesDir",
                   &registry->programFiles))
        registry->programFiles.clear();
    return true;
}

bool LoadOfflineRegistry(OfflineRegistry* registry, winsim::Registry* machine, std::string* error) {
    OfflineHive* software = &registry->software;
    hive_node_h view = hivex_root(software->hive);
    std::string viewPath;
    if (registry->wow64) {
        view = hivex_node_get_child(software->hive, view, kWow64View);
        viewPath = std::string(kWow64View) + "\\";
    }
    for (const char* path : kSoftwareKeys) {
        hive_node_h node = FindKey(software->hive, view, path);
        if (node == 0) continue;
        LoadedKey key;
        key.machinePath = std::string("SOFTWARE\\") + path;
        key.hivePath = viewPath + path;
        key.node = node;
        key.valuesLoaded = true;
        key.machineKey = MachineKey(machine, key.machinePath);
        if (!key.machineKey || !LoadValues(software, &key, key.machineKey.get(), error)) return false;
        software->keys.push_back(key);
    }

    OfflineHive* system = &registry->system;
    for (const char* path : kServiceFolders) {
        hive_node_h node = FindKey(system->hive, hivex_root(system->hive), path);
        if (node == 0) continue;
        std::string machinePath = std::string("SYSTEM\\") + path;
        std::shared_ptr<winsim::RegistryKey> target = MachineKey(machine, machinePath);
        if (!target || !LoadKeyTree(system, node, target, machinePath, path, kServiceLevels, error))
            return false;
    }
    return true;
}

void CloseOfflineHives(OfflineRegistry* registry) {
    for (OfflineHive* hive : {&registry->software, &registry->system}) {
        if (hive->hive != nullptr) hivex_close(hive->hive);
        hive->hive = nullptr;
    }
}
