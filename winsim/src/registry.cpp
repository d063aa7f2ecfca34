// The registry tree: keys, values, name order, and the set-up calls tests use.
#include "winsim/registry.h"

#include <algorithm>
#include <cctype>

#include "character_steps.h"
#include "winsim/machine.h"

namespace winsim {

int CompareRegistryNames(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int x = std::toupper(static_cast<unsigned char>(a[i]));
        int y = std::toupper(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool SplitRegistryPath(const std::string& path, std::vector<std::string>* parts) {
    parts->clear();
    if (!path.empty() && path[0] == '\\') return false;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = FindCharacter(TheMachine().ansiCodePage, path.data(), path.size(), start, "\\");
        if (end > start) parts->push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return true;
}

std::string RegistryKey::Path() const {
    if (parent == nullptr) return std::string();
    std::string above = parent->Path();
    return above.empty() ? name : above + "\\" + name;
}

RegistryKey* RegistryKey::Subkey(const std::string& keyName) const { return SubkeyShared(keyName).get(); }

std::shared_ptr<RegistryKey> RegistryKey::SubkeyShared(const std::string& keyName) const {
    for (const std::shared_ptr<RegistryKey>& child : subkeys)
        if (CompareRegistryNames(child->name, keyName) == 0) return child;
    return nullptr;
}

std::shared_ptr<RegistryKey> RegistryKey::AddSubkey(const std::string& keyName) {
    std::shared_ptr<RegistryKey> existing = SubkeyShared(keyName);
    if (existing) return existing;
    auto child = std::make_shared<RegistryKey>();
    child->name = keyName;
    child->parent = this;
    auto at = std::find_if(subkeys.begin(), subkeys.end(), [&](const std::shared_ptr<RegistryKey>& k) {
        return CompareRegistryNames(k->name, keyName) > 0;
    });
    subkeys.insert(at, child);
    return child;
}

// A removed key may outlive its parent through an open handle, so every
// key of the removed tree forgets its parent.
static void MarkDeleted(RegistryKey* key) {
    key->deleted = true;
    key->parent = nullptr;
    for (const std::shared_ptr<RegistryKey>& child : key->subkeys) MarkDeleted(child.get());
}

bool RegistryKey::RemoveSubkey(const RegistryKey* child) {
    for (auto it = subkeys.begin(); it != subkeys.end(); ++it) {
        if (it->get() != child) continue;
        MarkDeleted(it->get());
        subkeys.erase(it);
        return true;
    }
    return false;
}

RegistryValue* RegistryKey::Value(const std::string& valueName) {
    for (RegistryValue& value : values)
        if (CompareRegistryNames(value.name, valueName) == 0) return &value;
    return nullptr;
}

const RegistryValue* RegistryKey::Value(const std::string& valueName) const {
    for (const RegistryValue& value : values)
        if (CompareRegistryNames(value.name, valueName) == 0) return &value;
    return nullptr;
}

void RegistryKey::SetValue(const std::string& valueName, DWORD type, const std::string& data) {
    // An existing value keeps its name's spelling, as on Windows.
    if (RegistryValue* existing = Value(valueName)) {
        existing->type = type;
        existing->data = data;
        return;
    }
    RegistryValue value;
    value.name = valueName;
    value.type = type;
    value.data = data;
    if (valuesInCreationOrder) {
        values.push_back(value);
        return;
    }
    auto at = std::find_if(values.begin(), values.end(),
                           [&](const RegistryValue& v) { return CompareRegistryNames(v.name, valueName) > 0; });
    values.insert(at, value);
}

bool RegistryKey::RemoveValue(const std::string& valueName) {
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (CompareRegistryNames(it->name, valueName) != 0) continue;
        values.erase(it);
        return true;
    }
    return false;
}

Registry::Registry() { Clear(); }

void Registry::Clear() {
    roots_.clear();
    handles_.clear();
    calls.clear();
    nextHandle_ = 0x2000;
    const HKEY roots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                          HKEY_CURRENT_CONFIG};
    for (HKEY root : roots) roots_[reinterpret_cast<uintptr_t>(root)] = std::make_shared<RegistryKey>();
}

std::shared_ptr<RegistryKey> Registry::Root(HKEY root) const {
    auto it = roots_.find(reinterpret_cast<uintptr_t>(root));
    return it == roots_.end() ? nullptr : it->second;
}

std::shared_ptr<RegistryKey> Registry::Find(const std::shared_ptr<RegistryKey>& from, const std::string& path,
                                            LONG* error) {
    std::vector<std::string> parts;
    if (!SplitRegistryPath(path, &parts)) {
        *error = ERROR_BAD_PATHNAME;
        return nullptr;
    }
    std::shared_ptr<RegistryKey> key = from;
    for (const std::string& part : parts) {
        key = key->SubkeyShared(part);
        if (!key) {
            *error = ERROR_FILE_NOT_FOUND;
            return nullptr;
        }
    }
    return key;
}

std::shared_ptr<RegistryKey> Registry::FindFromRoot(HKEY root, const std::string& path) const {
    std::shared_ptr<RegistryKey> start = Root(root);
    if (!start) return nullptr;
    LONG error = 0;
    return Find(start, path, &error);
}

std::shared_ptr<RegistryKey> Registry::MakePath(HKEY root, const std::string& path) {
    std::shared_ptr<RegistryKey> key = Root(root);
    std::vector<std::string> parts;
    if (!key || !SplitRegistryPath(path, &parts)) return nullptr;
    for (const std::string& part : parts) key = key->AddSubkey(part);
    return key;
}

HKEY Registry::AddHandle(const std::shared_ptr<RegistryKey>& key, REGSAM granted) {
    uintptr_t value = nextHandle_;
    nextHandle_ += 4;
    handles_[value] = OpenRegistryKey{key, granted};
    return reinterpret_cast<HKEY>(value);
}

OpenRegistryKey* Registry::Handle(HKEY key) {
    auto it = handles_.find(reinterpret_cast<uintptr_t>(key));
    return it == handles_.end() ? nullptr : &it->second;
}

bool Registry::RemoveHandle(HKEY key) { return handles_.erase(reinterpret_cast<uintptr_t>(key)) == 1; }

size_t Registry::CallCount(const std::string& callName) const {
    size_t count = 0;
    for (const std::string& call : calls)
        if (call.compare(0, callName.size(), callName) == 0 && call.size() > callName.size() &&
            call[callName.size()] == '(')
            ++count;
    return count;
}

bool Registry::CreateKey(HKEY root, const std::string& path) { return MakePath(root, path) != nullptr; }

bool Registry::SetString(HKEY root, const std::string& path, const std::string& name, const std::string& text,
                         DWORD type) {
    return SetValue(root, path, name, type, text + std::string(1, '\0'));
}

bool Registry::SetValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                        const std::string& bytes) {
    std::shared_ptr<RegistryKey> key = MakePath(root, path);
    if (!key) return false;
    key->SetValue(name, type, bytes);
    return true;
}

bool Registry::SetDword(HKEY root, const std::string& path, const std::string& name, DWORD number) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((number >> (8 * i)) & 0xFF);
    return SetValue(root, path, name, REG_DWORD, bytes);
}

bool Registry::HasKey(HKEY root, const std::string& path) const { return FindFromRoot(root, path) != nullptr; }

bool Registry::HasValue(HKEY root, const std::string& path, const std::string& name) const {
    std::shared_ptr<RegistryKey> key = FindFromRoot(root, path);
    return key && key->Value(name) != nullptr;
}

bool Registry::GetValue(HKEY root, const std::string& path, const std::string& name, std::string* bytes,
                        DWORD* type) const {
    std::shared_ptr<RegistryKey> key = FindFromRoot(root, path);
    const RegistryValue* value = key ? static_cast<const RegistryKey&>(*key).Value(name) : nullptr;
    if (value == nullptr) return false;
    if (bytes) *bytes = value->data;
    if (type) *type = value->type;
    return true;
}

std::string Registry::GetString(HKEY root, const std::string& path, const std::string& name) const {
    std::string bytes;
    if (!GetValue(root, path, name, &bytes)) return std::string();
    return bytes.substr(0, bytes.find('\0'));
}

bool Registry::DenyWrite(HKEY root, const std::string& path) {
    std::shared_ptr<RegistryKey> key = FindFromRoot(root, path);
    if (!key) return false;
    key->writeDenied = true;
    return true;
}

std::vector<std::string> Registry::ValueNames(HKEY root, const std::string& path) const {
    std::vector<std::string> names;
    std::shared_ptr<RegistryKey> key = FindFromRoot(root, path);
    if (key)
        for (const RegistryValue& value : key->values) names.push_back(value.name);
    return names;
}

std::vector<std::string> Registry::SubkeyNames(HKEY root, const std::string& path) const {
    std::vector<std::string> names;
    std::shared_ptr<RegistryKey> key = FindFromRoot(root, path);
    if (key)
        for (const std::shared_ptr<RegistryKey>& child : key->subkeys) names.push_back(child->name);
    return names;
}

bool Registry::DeleteTree(HKEY root, const std::string& path) {
    std::shared_ptr<RegistryKey> key = FindFromRoot(root, path);
    if (!key || key->parent == nullptr) return false;
    return key->parent->RemoveSubkey(key.get());
}

}  // namespace winsim
