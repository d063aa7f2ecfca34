// The simulated registry: keys and typed values under the predefined roots.
//
// Key and value names ignore case, as on Windows. Values keep name order,
// which is how Wine enumerates them (Windows keeps creation order); tests
// may rely on it, the program must not. A key can be made readable but not
// writable, as a key whose ACL denies the account write access.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "winsim/registry_api.h"
#include "winsim/types.h"

namespace winsim {

struct RegistryValue {
    std::string name;
    DWORD type = REG_NONE;
    std::string data;  // raw bytes, exactly as stored (no terminator added)
};

struct RegistryKey {
    std::string name;
    RegistryKey* parent = nullptr;  // null for a root
    std::vector<std::shared_ptr<RegistryKey>> subkeys;  // in name order
    std::vector<RegistryValue> values;                  // in name order
    bool writeDenied = false;
    bool deleted = false;
    // New values go after the others, as Windows keeps them (in the order
    // of the hive's value list), instead of in name order as Wine does.
    bool valuesInCreationOrder = false;  // handles that still refer to it answer ERROR_KEY_DELETED

    // The path below its root ("" for the root itself).
    std::string Path() const;
    RegistryKey* Subkey(const std::string& keyName) const;
    std::shared_ptr<RegistryKey> SubkeyShared(const std::string& keyName) const;
    std::shared_ptr<RegistryKey> AddSubkey(const std::string& keyName);
    bool RemoveSubkey(const RegistryKey* child);
    RegistryValue* Value(const std::string& valueName);
    const RegistryValue* Value(const std::string& valueName) const;
    void SetValue(const std::string& valueName, DWORD type, const std::string& data);
    bool RemoveValue(const std::string& valueName);
};

// An open key handle: the key and the access the open granted.
struct OpenRegistryKey {
    std::shared_ptr<RegistryKey> key;
    REGSAM granted = 0;
};

// -1, 0 or 1 as the names compare ignoring case (upper-case folding, as Wine).
int CompareRegistryNames(const std::string& a, const std::string& b);

class Registry {
public:
    Registry();

    // Test-facing set-up and inspection. Paths are below a predefined root
    // ("Software\Microsoft\..."); missing keys on the way are created.
    bool CreateKey(HKEY root, const std::string& path);
    // Stores the text with its terminating zero, as RegSetValueExA with strlen + 1.
    bool SetString(HKEY root, const std::string& path, const std::string& name, const std::string& text,
                   DWORD type = REG_SZ);
    // Stores the bytes exactly (no terminator added).
    bool SetValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                  const std::string& bytes);
    bool SetDword(HKEY root, const std::string& path, const std::string& name, DWORD number);
    bool HasKey(HKEY root, const std::string& path) const;
    bool HasValue(HKEY root, const std::string& path, const std::string& name) const;
    bool GetValue(HKEY root, const std::string& path, const std::string& name, std::string* bytes,
                  DWORD* type = nullptr) const;
    // The value's data up to its first zero byte; "" when it is missing.
    std::string GetString(HKEY root, const std::string& path, const std::string& name) const;
    // The key stays readable; opening it for writing, writing its values or
    // deleting it answers ERROR_ACCESS_DENIED. The key must exist.
    bool DenyWrite(HKEY root, const std::string& path);
    std::vector<std::string> ValueNames(HKEY root, const std::string& path) const;
    std::vector<std::string> SubkeyNames(HKEY root, const std::string& path) const;
    // Removes a key with everything below it (set-up only; RegDeleteKeyA does not).
    bool DeleteTree(HKEY root, const std::string& path);

    // Key handles that were opened or created and not yet closed.
    size_t OpenKeyCount() const { return handles_.size(); }
    // Registry calls in order, as "RegOpenKeyExA(Software\X)", with the
    // argument that fault rules match against.
    std::vector<std::string> calls;
    // How many entries of `calls` begin with the given call name.
    size_t CallCount(const std::string& callName) const;

    void Clear();

    // For the Win32 calls.
    std::shared_ptr<RegistryKey> Root(HKEY root) const;
    // Walks a relative path; nullptr with *error set when it does not resolve.
    static std::shared_ptr<RegistryKey> Find(const std::shared_ptr<RegistryKey>& from, const std::string& path,
                                             LONG* error);
    HKEY AddHandle(const std::shared_ptr<RegistryKey>& key, REGSAM granted);
    OpenRegistryKey* Handle(HKEY key);
    bool RemoveHandle(HKEY key);

private:
    std::shared_ptr<RegistryKey> FindFromRoot(HKEY root, const std::string& path) const;
    std::shared_ptr<RegistryKey> MakePath(HKEY root, const std::string& path);

    std::map<uintptr_t, std::shared_ptr<RegistryKey>> roots_;
    std::map<uintptr_t, OpenRegistryKey> handles_;
    uintptr_t nextHandle_ = 0x2000;
};

// Splits a key path at its backslashes; empty parts (a trailing "\") are
// dropped. False for a path that starts with "\", which Windows refuses.
bool SplitRegistryPath(const std::string& path, std::vector<std::string>* parts);

}  // namespace winsim
