// The registry of an offline Windows installation: its SOFTWARE and SYSTEM
// hives opened through hivex, the Windows version they record, and the
// keys the scan reads copied into the simulated registry, with a record of
// what was copied so that what the scan deleted can be found afterwards.
//
// Text: the hives hold names and REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ
// data as UTF-16LE; the simulated machine is 8-bit and names its files
// with the host's bytes (UTF-8), so text is loaded as UTF-8, and a Run
// value names an infected file in the same bytes the walk shows for it.
// A value whose name or text is not valid UTF-16 is not loaded: the scan
// never sees it and it stays in the hive as it is. Other types are loaded
// byte for byte. Nothing loaded is ever written back: what the scan
// deleted is deleted from the hive, and the values a changed key keeps are
// copied from the hive itself.
#pragma once

#include <hivex.h>

#include <memory>
#include <string>
#include <vector>

#include "winsim/machine.h"
#include "windows_installation.h"

struct LoadedValue {
    hive_value_h handle = 0;
    std::string name;  // UTF-8, as in the simulated registry
};

struct LoadedKey {
    std::string machinePath;  // below HKEY_LOCAL_MACHINE: "SOFTWARE\Microsoft\..."
    std::string hivePath;     // below the hive's root, for messages
    hive_node_h node = 0;
    // Its copy: a key the scan deleted is marked deleted there, and a
    // deleted value is missing from it.
    std::shared_ptr<winsim::RegistryKey> machineKey;
    bool valuesLoaded = false;
    // Every subkey was loaded too, so the key may be deleted from the hive
    // when the scan deleted it.
    bool childrenLoaded = false;
    std::vector<LoadedValue> values;
};

struct OfflineHive {
    std::string name;         // "SOFTWARE" or "SYSTEM"
    std::string hostPath;
    std::string windowsPath;  // "C:\WINDOWS\system32\config\software"
    hive_h* hive = nullptr;   // opened for writing when --remove may change it
    // The base block's two sequence numbers agree: Windows finished its
    // last write of the file. Otherwise its log holds changes not yet in it.
    bool savedCleanly = true;
    std::vector<LoadedKey> keys;
    std::vector<std::string> leftOut;  // values not loaded: "key, value "name" (why)"
};

struct OfflineRegistry {
    OfflineHive software;
    OfflineHive system;
    winsim::VersionInfo version;
    std::string productName;  // as the installation names itself, "Microsoft Windows XP"
    std::string systemRoot;   // its Windows folder as it records it, "C:\WINDOWS"
    std::string programFiles; // "C:\Program Files", as the 32-bit program sees it
    // 64-bit Windows: a 32-bit program (Bruvane, and the trojan) sees
    // SOFTWARE through Wow6432Node.
    bool wow64 = false;
};

// Opens both hives (for writing, when the scan may remove). False with
// *error, and nothing open, when hivex cannot open one of them.
bool OpenOfflineHives(const WindowsInstallation& installation, bool forWriting, OfflineRegistry* registry,
                      std::string* error);

// The version, product name, Windows folder and Program Files folder from
// SOFTWARE\Microsoft\Windows NT\CurrentVersion and its neighbours. False
// with *error when the hive names no version.
bool ReadWindowsVersion(OfflineRegistry* registry, std::string* error);

// Copies the keys the scan reads into the simulated registry. False with
// *error when a hive is damaged below its root.
bool LoadOfflineRegistry(OfflineRegistry* registry, winsim::Registry* machine, std::string* error);

void CloseOfflineHives(OfflineRegistry* registry);

// UTF-16LE into UTF-8; false when the bytes are not valid UTF-16 (an odd
// length, a lone surrogate).
bool Utf16ToUtf8(const std::string& utf16, std::string* utf8);
