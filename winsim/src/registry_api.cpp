// The registry calls over the simulated tree, with the parameter checks,
// access rights and error codes that Windows NT (and Wine) answer with.
// Every call can be made to fail through the machine's faults: the
// argument matched is the sub-key path (open, create, delete key), the
// value name (query, set, enumerate, delete value) or the key's own path
// (query info, close).
#include <algorithm>
#include <cstring>

#include "winsim/machine.h"

using winsim::OpenRegistryKey;
using winsim::Registry;
using winsim::RegistryKey;
using winsim::RegistryValue;
using winsim::TheMachine;

namespace {

const REGSAM kGenericRead = 0x80000000u;
const REGSAM kGenericWrite = 0x40000000u;
const REGSAM kGenericExecute = 0x20000000u;
const REGSAM kGenericAll = 0x10000000u;
const REGSAM kMaximumAllowed = 0x02000000u;
// KEY_SET_VALUE, KEY_CREATE_SUB_KEY, KEY_CREATE_LINK, DELETE, WRITE_DAC, WRITE_OWNER.
const REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | 0x00010000u | 0x00040000u |
                            0x00080000u;
const REGSAM kDeleteRight = 0x00010000u;
const LONG kErrorNoAccess = 998;  // ERROR_NOACCESS: a null buffer with a non-zero size

Registry& TheRegistry() { return TheMachine().registry; }

void LogCall(const char* call, const char* argument) {
    TheRegistry().calls.push_back(std::string(call) + "(" + (argument ? argument : "") + ")");
}

LONG Fault(const char* call, const char* argument) {
    DWORD error = 0;
    if (winsim::InjectedWithError(call, argument ? argument : "", &error)) return static_cast<LONG>(error);
    return ERROR_SUCCESS;
}

// The access an open grants: generic rights mapped to key rights, and a
// write-denied key granting only what reading needs.
LONG GrantAccess(const RegistryKey& key, REGSAM desired, REGSAM* granted) {
    REGSAM mapped = desired & ~(kGenericRead | kGenericWrite | kGenericExecute | kGenericAll | kMaximumAllowed |
                                KEY_WOW64_32KEY | KEY_WOW64_64KEY);
    if (desired & kGenericRead) mapped |= KEY_READ;
    if (desired & kGenericWrite) mapped |= KEY_WRITE;
    if (desired & kGenericExecute) mapped |= KEY_EXECUTE;
    if (desired & kGenericAll) mapped |= KEY_ALL_ACCESS;
    if (desired & kMaximumAllowed) mapped |= key.writeDenied ? KEY_READ : KEY_ALL_ACCESS;
    else if (key.writeDenied && (mapped & kWriteRights) != 0)
        return ERROR_ACCESS_DENIED;
    *granted = mapped;
    return ERROR_SUCCESS;
}

// The key behind a handle: a predefined root (full access) or an open key.
LONG Resolve(HKEY handle, std::shared_ptr<RegistryKey>* key, REGSAM* granted) {
    Registry& registry = TheRegistry();
    if (std::shared_ptr<RegistryKey> root = registry.Root(handle)) {
        *key = root;
        *granted = KEY_ALL_ACCESS;
        return ERROR_SUCCESS;
    }
    OpenRegistryKey* open = registry.Handle(handle);
    if (open == nullptr) return ERROR_INVALID_HANDLE;
    if (open->key->deleted) return ERROR_KEY_DELETED;
    *key = open->key;
    *granted = open->granted;
    return ERROR_SUCCESS;
}

// Resolves a handle that must carry `needed` rights.
LONG ResolveWith(HKEY handle, REGSAM needed, std::shared_ptr<RegistryKey>* key) {
    REGSAM granted = 0;
    LONG error = Resolve(handle, key, &granted);
    if (error != ERROR_SUCCESS) return error;
    if ((granted & needed) != needed) return ERROR_ACCESS_DENIED;
    if ((needed & kWriteRights) != 0 && (*key)->writeDenied) return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

std::string PathOf(HKEY handle) {
    std::shared_ptr<RegistryKey> key;
    REGSAM granted = 0;
    if (Resolve(handle, &key, &granted) != ERROR_SUCCESS) return std::string();
    return key->Path();
}

}  // namespace

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result) {
    (void)options;
    LogCall("RegOpenKeyExA", subKey);
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (LONG error = Fault("RegOpenKeyExA", subKey)) return error;
    // The performance data is no real key: opening it hands back the root itself.
    if (key == HKEY_PERFORMANCE_DATA) {
        *result = HKEY_PERFORMANCE_DATA;
        return ERROR_SUCCESS;
    }
    std::shared_ptr<RegistryKey> from;
    REGSAM fromAccess = 0;
    if (LONG error = Resolve(key, &from, &fromAccess)) return error;
    LONG error = ERROR_SUCCESS;
    std::shared_ptr<RegistryKey> target = Registry::Find(from, subKey ? subKey : "", &error);
    if (!target) return error;
    REGSAM granted = 0;
    if (LONG denied = GrantAccess(*target, desired, &granted)) return denied;
    *result = TheRegistry().AddHandle(target, granted);
    return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM desired,
                     LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition) {
    (void)reserved;
    (void)keyClass;
    (void)options;
    (void)security;
    LogCall("RegCreateKeyExA", subKey);
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (LONG error = Fault("RegCreateKeyExA", subKey)) return error;
    std::shared_ptr<RegistryKey> current;
    REGSAM fromAccess = 0;
    if (LONG error = Resolve(key, &current, &fromAccess)) return error;
    std::vector<std::string> parts;
    if (!winsim::SplitRegistryPath(subKey ? subKey : "", &parts)) return ERROR_BAD_PATHNAME;
    bool created = false;
    for (const std::string& part : parts) {
        std::shared_ptr<RegistryKey> next = current->SubkeyShared(part);
        if (!next) {
            if (current->writeDenied) return ERROR_ACCESS_DENIED;
            next = current->AddSubkey(part);
            created = true;
        }
        current = next;
    }
    REGSAM granted = 0;
    if (LONG denied = GrantAccess(*current, desired, &granted)) return denied;
    *result = TheRegistry().AddHandle(current, granted);
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
    std::string path = PathOf(key);
    LogCall("RegCloseKey", path.c_str());
    // A failed close leaves the handle open, as any failed close would.
    if (LONG error = Fault("RegCloseKey", path.c_str())) return error;
    Registry& registry = TheRegistry();
    if (key == HKEY_PERFORMANCE_DATA || registry.Root(key)) return ERROR_SUCCESS;
    return registry.RemoveHandle(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
    LogCall("RegQueryValueExA", valueName);
    if (reserved != nullptr) return ERROR_INVALID_PARAMETER;
    if (data != nullptr && dataSize == nullptr) return ERROR_INVALID_PARAMETER;
    if (LONG error = Fault("RegQueryValueExA", valueName)) return error;
    if (key == HKEY_PERFORMANCE_DATA) return winsim::QueryPerformanceData(valueName, type, data, dataSize);
    std::shared_ptr<RegistryKey> owner;
    if (LONG error = ResolveWith(key, KEY_QUERY_VALUE, &owner)) return error;
    const RegistryValue* value = owner->Value(valueName ? valueName : "");
    if (value == nullptr) return ERROR_FILE_NOT_FOUND;
    DWORD needed = static_cast<DWORD>(value->data.size());
    if (type) *type = value->type;
    if (data != nullptr) {
        // Too small: the size needed comes back and the buffer stays as it was.
        if (*dataSize < needed) {
            *dataSize = needed;
            return ERROR_MORE_DATA;
        }
        if (needed > 0) memcpy(data, value->data.data(), needed);
    }
    if (dataSize) *dataSize = needed;
    return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataSize) {
    (void)reserved;
    LogCall("RegSetValueExA", valueName);
    if (data == nullptr && dataSize != 0) return kErrorNoAccess;
    if (LONG error = Fault("RegSetValueExA", valueName)) return error;
    std::shared_ptr<RegistryKey> owner;
    if (LONG error = ResolveWith(key, KEY_SET_VALUE, &owner)) return error;
    std::string bytes;
    if (dataSize > 0) bytes.assign(reinterpret_cast<const char*>(data), dataSize);
    owner->SetValue(valueName ? valueName : "", type, bytes);
    return ERROR_SUCCESS;
}

LONG RegQueryInfoKeyA(HKEY key, LPSTR keyClass, LPDWORD classLength, LPDWORD reserved, LPDWORD subKeys,
                      LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values, LPDWORD maxValueNameLength,
                      LPDWORD maxValueLength, LPDWORD securityDescriptorSize, FILETIME* lastWriteTime) {
    std::string path = PathOf(key);
    LogCall("RegQueryInfoKeyA", path.c_str());
    if (reserved != nullptr) return ERROR_INVALID_PARAMETER;
    if (LONG error = Fault("RegQueryInfoKeyA", path.c_str())) return error;
    std::shared_ptr<RegistryKey> owner;
    if (LONG error = ResolveWith(key, KEY_QUERY_VALUE, &owner)) return error;
    // Keys here carry no class.
    if (keyClass != nullptr && classLength != nullptr && *classLength > 0) keyClass[0] = '\0';
    if (classLength) *classLength = 0;
    DWORD longestSubkey = 0;
    for (const std::shared_ptr<RegistryKey>& child : owner->subkeys)
        longestSubkey = std::max<DWORD>(longestSubkey, static_cast<DWORD>(child->name.size()));
    DWORD longestName = 0;
    DWORD longestData = 0;
    for (const RegistryValue& value : owner->values) {
        longestName = std::max<DWORD>(longestName, static_cast<DWORD>(value.name.size()));
        // Windows keeps text values in UTF-16 and reports their stored size
        // here, not the size the "A" calls hand out (Wine does the same).
        bool text = value.type == REG_SZ || value.type == REG_EXPAND_SZ || value.type == REG_MULTI_SZ;
        DWORD stored = static_cast<DWORD>(value.data.size()) * (text ? 2 : 1);
        longestData = std::max<DWORD>(longestData, stored);
    }
    if (subKeys) *subKeys = static_cast<DWORD>(owner->subkeys.size());
    if (maxSubKeyLength) *maxSubKeyLength = longestSubkey;
    if (maxClassLength) *maxClassLength = 0;
    if (values) *values = static_cast<DWORD>(owner->values.size());
    if (maxValueNameLength) *maxValueNameLength = longestName;
    if (maxValueLength) *maxValueLength = longestData;
    if (securityDescriptorSize) *securityDescriptorSize = 0;
    if (lastWriteTime) *lastWriteTime = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

LONG RegEnumValueA(HKEY key, DWORD index, LPSTR valueName, LPDWORD valueNameLength, LPDWORD reserved, LPDWORD type,
                   LPBYTE data, LPDWORD dataSize) {
    std::shared_ptr<RegistryKey> owner;
    LONG resolved = ResolveWith(key, KEY_QUERY_VALUE, &owner);
    const RegistryValue* value =
        resolved == ERROR_SUCCESS && index < owner->values.size() ? &owner->values[index] : nullptr;
    const char* name = value ? value->name.c_str() : "";
    LogCall("RegEnumValueA", name);
    if (valueName == nullptr || valueNameLength == nullptr || reserved != nullptr) return ERROR_INVALID_PARAMETER;
    if (data != nullptr && dataSize == nullptr) return ERROR_INVALID_PARAMETER;
    if (LONG error = Fault("RegEnumValueA", name)) return error;
    if (resolved != ERROR_SUCCESS) return resolved;
    if (value == nullptr) return ERROR_NO_MORE_ITEMS;
    DWORD needed = static_cast<DWORD>(value->data.size());
    if (type) *type = value->type;
    // Either buffer too small: as on XP, nothing is written, the name
    // length is left as it was and the data size needed comes back.
    bool nameFits = value->name.size() < *valueNameLength;
    bool dataFits = data == nullptr || *dataSize >= needed;
    if (!nameFits || !dataFits) {
        if (dataSize) *dataSize = needed;
        return ERROR_MORE_DATA;
    }
    memcpy(valueName, value->name.c_str(), value->name.size() + 1);
    *valueNameLength = static_cast<DWORD>(value->name.size());
    if (data != nullptr && needed > 0) memcpy(data, value->data.data(), needed);
    if (dataSize) *dataSize = needed;
    return ERROR_SUCCESS;
}

LONG RegDeleteValueA(HKEY key, LPCSTR valueName) {
    LogCall("RegDeleteValueA", valueName);
    if (LONG error = Fault("RegDeleteValueA", valueName)) return error;
    std::shared_ptr<RegistryKey> owner;
    if (LONG error = ResolveWith(key, KEY_SET_VALUE, &owner)) return error;
    return owner->RemoveValue(valueName ? valueName : "") ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LONG RegDeleteKeyA(HKEY key, LPCSTR subKey) {
    LogCall("RegDeleteKeyA", subKey);
    if (subKey == nullptr) return ERROR_INVALID_PARAMETER;
    if (LONG error = Fault("RegDeleteKeyA", subKey)) return error;
    std::shared_ptr<RegistryKey> from;
    REGSAM fromAccess = 0;
    if (LONG error = Resolve(key, &from, &fromAccess)) return error;
    LONG error = ERROR_SUCCESS;
    std::shared_ptr<RegistryKey> target = Registry::Find(from, subKey, &error);
    if (!target) return error;
    // The key is opened for DELETE first, so a write-denied key refuses;
    // NT (and Wine) refuse a key that still has subkeys the same way.
    REGSAM granted = 0;
    if (target->parent == nullptr || GrantAccess(*target, kDeleteRight, &granted) != ERROR_SUCCESS)
        return ERROR_ACCESS_DENIED;
    if (!target->subkeys.empty()) return ERROR_ACCESS_DENIED;
    target->parent->RemoveSubkey(target.get());
    return ERROR_SUCCESS;
}
