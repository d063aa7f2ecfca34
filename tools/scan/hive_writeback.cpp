#include "hive_writeback.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// hivex writes a value's data as one cell. Windows XP and later read data
// longer than this from a list of cells ("big data"), so a key whose kept
// values hold more cannot be rewritten safely.
const size_t kLargestOneCellData = 16344;

std::string UpperCase(const std::string& text) {
    std::string upper = text;
    for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return upper;
}

std::string ParentPath(const std::string& path) {
    size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

struct LoadedIndex {
    std::map<hive_node_h, const LoadedKey*> byNode;
    std::map<std::string, const LoadedKey*> byPath;  // upper-case machine path
};

// Removing a key marks it and everything below it deleted.
bool Missing(const LoadedKey& key) { return key.machineKey->deleted; }

// A key the scan deleted may leave the hive only when everything below it
// was loaded and is gone from the simulated registry too: then Windows
// would have let the same deletions happen.
bool WholeTreeGone(hive_h* hive, const LoadedKey& key, const LoadedIndex& index) {
    if (!key.childrenLoaded || !Missing(key)) return false;
    hive_node_h* children = hivex_node_children(hive, key.node);
    if (children == nullptr) return false;
    bool gone = true;
    for (size_t i = 0; gone && children[i] != 0; ++i) {
        auto child = index.byNode.find(children[i]);
        gone = child != index.byNode.end() && WholeTreeGone(hive, *child->second, index);
    }
    free(children);
    return gone;
}

// Whether the values a key keeps can be copied back as they are.
bool KeptValuesCopyable(hive_h* hive, hive_node_h node, const std::set<hive_value_h>& deleted, std::string* why) {
    hive_value_h* values = hivex_node_values(hive, node);
    if (values == nullptr) {
        *why = "its values cannot be read";
        return false;
    }
    bool copyable = true;
    for (size_t i = 0; copyable && values[i] != 0; ++i) {
        if (deleted.count(values[i]) != 0) continue;
        char* name = hivex_value_key(hive, values[i]);
        hive_type type;
        size_t length = 0;
        char* data = name != nullptr ? hivex_value_value(hive, values[i], &type, &length) : nullptr;
        bool read = name != nullptr && data != nullptr;
        free(name);
        free(data);
        if (!read) {
            *why = "another of its values cannot be read";
            copyable = false;
        } else if (length > kLargestOneCellData) {
            *why = "another of its values holds more than " + std::to_string(kLargestOneCellData) + " bytes";
            copyable = false;
        }
    }
    free(values);
    return copyable;
}

bool CopyFileContents(const std::string& from, const std::string& to, std::string* error) {
    int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    int out = open(to.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    bool ok = in != -1 && out != -1;
    std::vector<char> buffer(1 << 20);  // a hive is tens of megabytes
    while (ok) {
        ssize_t got = read(in, buffer.data(), buffer.size());
        if (got == 0) break;
        if (got < 0) {
            ok = errno == EINTR;
            continue;
        }
        for (ssize_t done = 0; ok && done < got;) {
            ssize_t put = write(out, buffer.data() + done, static_cast<size_t>(got - done));
            if (put < 0 && errno == EINTR) continue;
            ok = put > 0;
            if (ok) done += put;
        }
    }
    struct stat st;
    if (ok && fstat(in, &st) == 0) fchmod(out, st.st_mode & 07777);  // best effort: NTFS mounts may refuse
    ok = ok && fsync(out) == 0;
    if (!ok) *error = "cannot copy " + from + " to " + to + ": " + strerror(errno);
    if (in != -1) close(in);
    if (out != -1 && close(out) != 0 && ok) {
        *error = "cannot write " + to + ": " + strerror(errno);
        ok = false;
    }
    return ok;
}

// A new, empty file beside `path`; "" when none can be made.
std::string MakeTemporaryBeside(const std::string& path, const char* tag, std::string* error) {
    std::string name = path + tag + "XXXXXX";
    int fd = mkstemp(&name[0]);
    if (fd == -1) {
        *error = "cannot make a temporary file beside " + path + ": " + strerror(errno);
        return std::string();
    }
    close(fd);
    return name;
}

bool SyncFolderOf(const std::string& path) {
    int fd = open(path.substr(0, path.rfind('/')).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd == -1) return false;
    bool synced = fsync(fd) == 0;
    close(fd);
    return synced;
}

bool MakeBackup(const OfflineHive& hive, bool* made, std::string* error) {
    std::string backup = HiveBackupPath(hive);
    struct stat st;
    // The first backup is the hive as it was before bruvane-scan ever
    // changed it; a later run keeps it.
    *made = false;
    if (lstat(backup.c_str(), &st) == 0) return true;
    std::string temporary = MakeTemporaryBeside(backup, ".", error);
    if (temporary.empty()) return false;
    if (!CopyFileContents(hive.hostPath, temporary, error) || rename(temporary.c_str(), backup.c_str()) != 0) {
        if (error->empty()) *error = "cannot make the backup " + backup + ": " + strerror(errno);
        unlink(temporary.c_str());
        return false;
    }
    SyncFolderOf(backup);
    *made = true;
    return true;
}

// One key's values without the deleted ones, copied from the hive as they
// are stored: type and bytes unchanged.
bool RewriteValues(hive_h* hive, hive_node_h node, const std::set<hive_value_h>& deleted) {
    hive_value_h* values = hivex_node_values(hive, node);
    if (values == nullptr) return false;
    std::vector<hive_set_value> kept;
    bool ok = true;
    for (size_t i = 0; ok && values[i] != 0; ++i) {
        if (deleted.count(values[i]) != 0) continue;
        hive_set_value value;
        size_t length = 0;
        value.key = hivex_value_key(hive, values[i]);
        value.value = hivex_value_value(hive, values[i], &value.t, &length);
        value.len = length;
        ok = value.key != nullptr && value.value != nullptr;
        kept.push_back(value);
    }
    free(values);
    ok = ok && hivex_node_set_values(hive, node, kept.size(), kept.data(), 0) == 0;
    for (hive_set_value& value : kept) {
        free(value.key);
        free(value.value);
    }
    return ok;
}

bool Commit(const OfflineHive& hive, std::string* error) {
    std::string temporary = MakeTemporaryBeside(hive.hostPath, ".bruvane-new-", error);
    if (temporary.empty()) return false;
    bool ok = hivex_commit(hive.hive, temporary.c_str(), 0) == 0;
    if (ok) {
        int fd = open(temporary.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st;
        if (fd != -1 && stat(hive.hostPath.c_str(), &st) == 0) fchmod(fd, st.st_mode & 07777);
        ok = fd != -1 && fsync(fd) == 0;
        if (fd != -1) close(fd);
    }
    ok = ok && rename(temporary.c_str(), hive.hostPath.c_str()) == 0;
    if (!ok) {
        *error = "cannot write the " + hive.name + " hive " + hive.windowsPath + ": " + strerror(errno);
        unlink(temporary.c_str());
        return false;
    }
    SyncFolderOf(hive.hostPath);
    return true;
}

}  // namespace

HiveChanges FindHiveDeletions(const OfflineHive& hive) {
    HiveChanges changes;
    LoadedIndex index;
    for (const LoadedKey& key : hive.keys) {
        index.byNode[key.node] = &key;
        index.byPath[UpperCase(key.machinePath)] = &key;
    }
    for (const LoadedKey& key : hive.keys) {
        if (Missing(key)) {
            // A key below one that goes goes with it.
            auto parent = index.byPath.find(UpperCase(ParentPath(key.machinePath)));
            if (parent != index.byPath.end() && Missing(*parent->second)) continue;
            if (WholeTreeGone(hive.hive, key, index))
                changes.deletions.push_back({&key, nullptr});
            else
                changes.leftAlone.push_back(key.hivePath + " (key): it has subkeys the scan did not read");
            continue;
        }
        if (!key.valuesLoaded) continue;
        std::vector<HiveDeletion> deleted;
        std::set<hive_value_h> handles;
        for (const LoadedValue& value : key.values) {
            if (key.machineKey->Value(value.name) != nullptr) continue;
            deleted.push_back({&key, &value});
            handles.insert(value.handle);
        }
        if (deleted.empty()) continue;
        std::string why;
        if (KeptValuesCopyable(hive.hive, key.node, handles, &why)) {
            changes.deletions.insert(changes.deletions.end(), deleted.begin(), deleted.end());
        } else {
            for (const HiveDeletion& deletion : deleted) changes.leftAlone.push_back(DescribeDeletion(deletion) + ": " + why);
        }
    }
    return changes;
}

std::string DescribeDeletion(const HiveDeletion& deletion) {
    if (deletion.value == nullptr) return deletion.key->hivePath + " (key)";
    return deletion.key->hivePath + ", value \"" + deletion.value->name + "\"";
}

std::string HiveBackupPath(const OfflineHive& hive) { return hive.hostPath + ".bruvane-bak"; }

bool WriteBackHive(const OfflineHive& hive, const HiveChanges& changes, bool* backupMade, std::string* error) {
    *backupMade = false;
    error->clear();
    if (changes.deletions.empty()) return true;
    if (!MakeBackup(hive, backupMade, error)) return false;

    // Values first: rewriting a key's values moves no key, so the keys
    // deleted after them are still where they were read.
    std::map<hive_node_h, std::set<hive_value_h>> valuesByKey;
    for (const HiveDeletion& deletion : changes.deletions)
        if (deletion.value != nullptr) valuesByKey[deletion.key->node].insert(deletion.value->handle);
    for (const auto& entry : valuesByKey) {
        if (!RewriteValues(hive.hive, entry.first, entry.second)) {
            *error = "hivex could not rewrite a key of the " + hive.name + " hive: " + strerror(errno);
            return false;
        }
    }
    for (const HiveDeletion& deletion : changes.deletions) {
        if (deletion.value != nullptr) continue;
        if (hivex_node_delete_child(hive.hive, deletion.key->node) != 0) {
            *error = "hivex could not delete " + deletion.key->hivePath + ": " + strerror(errno);
            return false;
        }
    }
    return Commit(hive, error);
}
