// Drive mapping and Windows-to-host path translation. This is the only
// place that knows about '/'.
#include "winsim/filesystem.h"

#include <dirent.h>
#include <unistd.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

#include "winsim/files_internal.h"

namespace winsim {

namespace {

int DriveIndex(char letter) {
    int c = std::toupper(static_cast<unsigned char>(letter));
    if (c < 'A' || c > 'Z') return -1;
    return c - 'A';
}

// The entry of `folder` whose name equals `name` ignoring case; the exact
// spelling wins when both exist (a case-sensitive host may hold both).
bool FindIgnoringCase(const std::string& folder, const std::string& name, std::string* found) {
    struct stat st;
    std::string exact = folder + "/" + name;
    if (lstat(exact.c_str(), &st) == 0) {
        *found = name;
        return true;
    }
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return false;
    bool ok = false;
    while (struct dirent* entry = readdir(dir)) {
        if (strcasecmp(entry->d_name, name.c_str()) == 0) {
            *found = entry->d_name;
            ok = true;
            break;
        }
    }
    closedir(dir);
    return ok;
}

}  // namespace

void FileSystem::MapDrive(char letter, const std::string& hostRoot, UINT type) {
    int index = DriveIndex(letter);
    if (index < 0) return;
    std::string root = hostRoot;
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    drives_[index].hostRoot = root;
    drives_[index].type = type;
}

void FileSystem::SetDriveType(char letter, UINT type) {
    int index = DriveIndex(letter);
    if (index >= 0) drives_[index].type = type;
}

const Drive& FileSystem::DriveOf(char letter) const {
    static const Drive kNone;
    int index = DriveIndex(letter);
    return index < 0 ? kNone : drives_[index];
}

bool FileSystem::ToHostPath(const std::string& windowsPath, std::string* hostPath) const {
    if (windowsPath.size() < 2 || windowsPath[1] != ':') return false;
    const Drive& drive = DriveOf(windowsPath[0]);
    if (drive.hostRoot.empty()) return false;
    std::string result = drive.hostRoot;
    std::string rest = windowsPath.substr(2);
    if (!rest.empty() && rest[0] != '\\' && rest[0] != '/') return false;  // drive-relative paths
    bool resolving = true;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find_first_of("\\/", start);
        if (end == std::string::npos) end = rest.size();
        std::string part = rest.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            size_t slash = result.rfind('/');
            if (result.size() > drive.hostRoot.size() && slash != std::string::npos && slash >= drive.hostRoot.size())
                result.erase(slash);
            continue;
        }
        std::string found;
        if (resolving && (FindIgnoringCase(result, part, &found) ||
                          (part.find('~') != std::string::npos && FindByShortName(result, part, &found)))) {
            result += "/" + found;
        } else {
            resolving = false;
            result += "/" + part;
        }
    }
    *hostPath = result;
    return true;
}

DWORD FileSystem::Attributes(const std::string& hostPath) const {
    struct stat st;
    if (lstat(hostPath.c_str(), &st) != 0) return 0xFFFFFFFFu;
    auto it = attributes_.find(hostPath);
    DWORD kept = it == attributes_.end() ? 0x20u : it->second;  // new files carry the archive bit
    if (S_ISDIR(st.st_mode)) {
        kept &= ~0x20u;
        kept |= 0x10u;
    }
    return kept;
}

void FileSystem::SetAttributes(const std::string& hostPath, DWORD attributes) {
    attributes_[hostPath] = attributes & ~0x10u;
}

void FileSystem::ForgetAttributes(const std::string& hostPath) { attributes_.erase(hostPath); }

namespace {

void SplitHostPath(const std::string& hostPath, std::string* folder, std::string* name) {
    size_t slash = hostPath.rfind('/');
    *folder = slash == std::string::npos ? std::string() : hostPath.substr(0, slash);
    *name = slash == std::string::npos ? hostPath : hostPath.substr(slash + 1);
}

std::string Upper(const std::string& text) {
    std::string upper = text;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

}  // namespace

void FileSystem::NoteMoved(const std::string& fromHostPath, const std::string& toHostPath) {
    auto it = attributes_.find(fromHostPath);
    if (it != attributes_.end()) {
        DWORD kept = it->second;
        attributes_.erase(it);
        attributes_[toHostPath] = kept;
    } else {
        attributes_.erase(toHostPath);
    }
    // Windows gives a renamed entry a fresh alias in its new folder.
    std::string folder, name;
    SplitHostPath(fromHostPath, &folder, &name);
    auto aliases = shortNames_.find(folder);
    if (aliases != shortNames_.end()) aliases->second.erase(name);
}

void FileSystem::NoteRemoved(const std::string& hostPath) {
    attributes_.erase(hostPath);
    std::string folder, name;
    SplitHostPath(hostPath, &folder, &name);
    auto aliases = shortNames_.find(folder);
    if (aliases != shortNames_.end()) aliases->second.erase(name);
}

void FileSystem::AssignShortNames(const std::string& hostFolder) const {
    DIR* dir = opendir(hostFolder.c_str());
    if (dir == nullptr) return;
    std::vector<std::string> entries;
    while (struct dirent* entry = readdir(dir)) entries.push_back(entry->d_name);
    closedir(dir);
    std::sort(entries.begin(), entries.end(),
              [](const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) < 0; });
    std::map<std::string, std::string>& aliases = shortNames_[hostFolder];
    // Names an alias must not repeat: every entry's own name and every alias given.
    std::set<std::string> taken;
    for (const std::string& entry : entries) taken.insert(Upper(entry));
    for (const auto& given : aliases) taken.insert(Upper(given.second));
    for (const std::string& entry : entries) {
        if (IsValidShortName(entry) || aliases.count(entry)) continue;
        for (int number = 1; number < 1000000; ++number) {
            std::string candidate = ShortNameCandidate(entry, number);
            if (taken.count(Upper(candidate))) continue;
            aliases[entry] = candidate;
            taken.insert(Upper(candidate));
            break;
        }
    }
}

std::string FileSystem::ShortNameOf(const std::string& hostFolder, const std::string& name) const {
    if (IsValidShortName(name)) return name;
    auto aliases = shortNames_.find(hostFolder);
    if (aliases == shortNames_.end() || aliases->second.count(name) == 0) AssignShortNames(hostFolder);
    auto it = shortNames_[hostFolder].find(name);
    return it == shortNames_[hostFolder].end() ? name : it->second;
}

bool FileSystem::FindByShortName(const std::string& hostFolder, const std::string& alias, std::string* name) const {
    if (!IsValidShortName(alias)) return false;
    AssignShortNames(hostFolder);
    for (const auto& given : shortNames_[hostFolder]) {
        if (strcasecmp(given.second.c_str(), alias.c_str()) != 0) continue;
        struct stat st;
        if (lstat((hostFolder + "/" + given.first).c_str(), &st) != 0) continue;  // gone behind our back
        *name = given.first;
        return true;
    }
    return false;
}

std::string FileSystem::PendingFileRenameOperationsData() const {
    std::string data;
    for (const PendingFileOperation& operation : pending_) {
        data += operation.source;
        data += '\0';
        data += operation.target;
        data += '\0';
    }
    data += '\0';
    return data;
}

int FileSystem::AddDescriptor(const CrtDescriptor& descriptor) {
    int fd = 3;  // 0, 1 and 2 are the standard streams
    while (descriptors_.count(fd)) ++fd;
    descriptors_[fd] = descriptor;
    return fd;
}

CrtDescriptor* FileSystem::Descriptor(int fd) {
    auto it = descriptors_.find(fd);
    return it == descriptors_.end() ? nullptr : &it->second;
}

bool FileSystem::RemoveDescriptor(int fd) { return descriptors_.erase(fd) == 1; }

bool FileSystem::WriteFile(const std::string& windowsPath, const std::string& contents) {
    std::string host;
    if (!ToHostPath(windowsPath, &host)) return false;
    std::ofstream out(host, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    return static_cast<bool>(out);
}

bool FileSystem::ReadFile(const std::string& windowsPath, std::string* contents) const {
    std::string host;
    if (!ToHostPath(windowsPath, &host)) return false;
    std::ifstream in(host, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    *contents = buffer.str();
    return true;
}

bool FileSystem::Exists(const std::string& windowsPath) const {
    std::string host;
    struct stat st;
    return ToHostPath(windowsPath, &host) && lstat(host.c_str(), &st) == 0;
}

bool FileSystem::MakeDirectory(const std::string& windowsPath) {
    std::string host;
    if (!ToHostPath(windowsPath, &host)) return false;
    // Create every missing level, like `mkdir -p`.
    for (size_t i = 1; i <= host.size(); ++i) {
        if (i == host.size() || host[i] == '/') {
            std::string level = host.substr(0, i);
            mkdir(level.c_str(), 0755);
        }
    }
    struct stat st;
    return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileSystem::MayOpen(const std::string& hostPath, DWORD access, DWORD share) const {
    const DWORD kRead = 0x80000000u, kWrite = 0x40000000u, kShareRead = 1, kShareWrite = 2;
    auto range = openShares_.equal_range(hostPath);
    for (auto it = range.first; it != range.second; ++it) {
        const OpenEntry& held = it->second;
        // Both ways: the new access must be shared by every holder, and
        // every holder's access must be shared by the new handle.
        if ((access & kRead) && !(held.share & kShareRead)) return false;
        if ((access & kWrite) && !(held.share & kShareWrite)) return false;
        if ((held.access & kRead) && !(share & kShareRead)) return false;
        if ((held.access & kWrite) && !(share & kShareWrite)) return false;
    }
    return true;
}

void FileSystem::NoteOpen(const std::string& hostPath, DWORD share, DWORD access) {
    openShares_.emplace(hostPath, OpenEntry{share, access});
}

void FileSystem::ReleaseOpen(const std::string& hostPath, DWORD share, DWORD access) {
    auto range = openShares_.equal_range(hostPath);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second.share == share && it->second.access == access) {
            openShares_.erase(it);
            return;
        }
    }
}

bool FileSystem::HeldWithoutDeleteSharing(const std::string& hostPath) const {
    auto range = openShares_.equal_range(hostPath);
    for (auto it = range.first; it != range.second; ++it)
        if (!(it->second.share & 4)) return true;  // FILE_SHARE_DELETE
    return false;
}

void FileSystem::Clear() {
    for (Drive& drive : drives_) drive = Drive();
    attributes_.clear();
    openShares_.clear();
    shortNames_.clear();
    pending_.clear();
    descriptors_.clear();  // their handles go with the machine's handle table
    windowsDirectory = "C:\\WINDOWS";
    tempPath = "C:\\WINDOWS\\TEMP\\";
}

}  // namespace winsim
