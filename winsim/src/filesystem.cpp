// Drive mapping and Windows-to-host path translation. This is the only
// place that knows about '/'.
#include "winsim/filesystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <cctype>
#include <cstring>
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

// kOther: a symbolic link, a pipe, a socket or a device; none of them is
// a file or folder of a Windows disk.
enum class Lookup { kFound, kMissing, kOther };

Lookup KindOf(const struct stat& st) {
    return S_ISREG(st.st_mode) || S_ISDIR(st.st_mode) ? Lookup::kFound : Lookup::kOther;
}

// The entry of `folder` whose name equals `name` ignoring case; the exact
// spelling wins when both exist (a case-sensitive host may hold both).
// *st describes the entry found.
Lookup FindIgnoringCase(const std::string& folder, const std::string& name, std::string* found, struct stat* st) {
    std::string exact = folder + "/" + name;
    if (lstat(exact.c_str(), st) == 0) {
        *found = name;
        return KindOf(*st);
    }
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return Lookup::kMissing;
    Lookup result = Lookup::kMissing;
    while (struct dirent* entry = readdir(dir)) {
        if (strcasecmp(entry->d_name, name.c_str()) == 0) {
            *found = entry->d_name;
            std::string other = folder + "/" + entry->d_name;
            result = lstat(other.c_str(), st) == 0 ? KindOf(*st) : Lookup::kMissing;
            break;
        }
    }
    closedir(dir);
    return result;
}

// What Windows never lets a name hold.
bool IsInvalidNameCharacter(unsigned char c) {
    return c < 0x20 || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|' || c == '\\' || c == '/';
}

// How `length` characters of text read as one component of a path:
// kNotOne when empty, "." or "..", or holding a separator; kInvalid when
// one component but holding what no Windows name can; else kPlain.
enum class Component { kPlain, kNotOne, kInvalid };

Component ClassifyComponent(const char* text, size_t length) {
    if (length == 0 || (text[0] == '.' && (length == 1 || (length == 2 && text[1] == '.')))) return Component::kNotOne;
    bool valid = true;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == '\\' || text[i] == '/') return Component::kNotOne;
        if (IsInvalidNameCharacter(static_cast<unsigned char>(text[i]))) valid = false;
    }
    return valid ? Component::kPlain : Component::kInvalid;
}

// The host spelling, relative to the drive's folder ("dir/sub"), of a
// folder path written plainly: "X:\" then components each ended by "\",
// none empty, "." or "..", none holding what a Windows name cannot.
bool PlainRelativePath(const std::string& folder, std::string* relative) {
    if (folder.size() < 3 || folder[1] != ':' || folder[2] != '\\' || folder.back() != '\\') return false;
    relative->clear();
    size_t start = 3;
    while (start < folder.size()) {
        size_t end = folder.find('\\', start);  // found: the folder ends with one
        size_t length = end - start;
        if (ClassifyComponent(folder.data() + start, length) != Component::kPlain) return false;
        if (!relative->empty()) relative->push_back('/');
        relative->append(folder, start, length);
        start = end + 1;
    }
    return true;
}

// Opens a folder by its host path, refusing a link anywhere on the way
// (and so anything the path does not name as spelt). -1 with errno.
int OpenFolderWithoutLinks(const std::string& hostFolder) {
    struct open_how how;
    memset(&how, 0, sizeof how);
    how.flags = O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC;
    how.resolve = RESOLVE_NO_SYMLINKS;
    return static_cast<int>(syscall(SYS_openat2, AT_FDCWD, hostFolder.c_str(), &how, sizeof how));
}

}  // namespace

bool IsValidWindowsName(const std::string& name) {
    for (unsigned char c : name)
        if (IsInvalidNameCharacter(c)) return false;
    return true;
}

void FileSystem::MapDrive(char letter, const std::string& hostRoot, UINT type) {
    NoteChange();
    int index = DriveIndex(letter);
    if (index < 0) return;
    std::string root = hostRoot;
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    drives_[index].hostRoot = root;
    drives_[index].type = type;
    recentFolder_.valid = false;
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

bool FileSystem::ToHostPath(const std::string& windowsPath, std::string* hostPath, ListedFile* listed) const {
    if (listed != nullptr) *listed = ListedFile();
    if (windowsPath.size() < 2 || windowsPath[1] != ':') return false;
    const Drive& drive = DriveOf(windowsPath[0]);
    if (drive.hostRoot.empty()) return false;
    int recent = TranslateInRecentFolder(windowsPath, hostPath, listed);
    if (recent != 0) return recent > 0;
    std::string rest = windowsPath.substr(2);
    if (!rest.empty() && rest[0] != '\\' && rest[0] != '/') return false;  // drive-relative paths
    // "." and ".." are taken away by the text alone, before any lookup, as
    // Windows does: "C:\missing\..\dir" is "C:\dir".
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find_first_of("\\/", start);
        if (end == std::string::npos) end = rest.size();
        std::string part = rest.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        // Windows and Wine refuse such a name (ERROR_INVALID_NAME): a host
        // file called "a*b.exe" is listed but cannot be opened by it.
        if (!IsValidWindowsName(part)) return false;
        parts.push_back(part);
    }

    // The folder part may be remembered when it is written plainly: "\"
    // separators only, no "." or "..", every component found as spelt.
    size_t folderEnd = windowsPath.rfind('\\');
    bool plain = folderEnd != std::string::npos && windowsPath.find('/') == std::string::npos;
    bool nameGiven = plain && folderEnd + 1 < windowsPath.size();
    if (nameGiven) {
        const char* name = windowsPath.c_str() + folderEnd + 1;
        if (ClassifyComponent(name, windowsPath.size() - folderEnd - 1) == Component::kNotOne) plain = false;
    }
    size_t folderCount = parts.size() - (nameGiven && !parts.empty() ? 1 : 0);
    if (plain) {
        std::string canonical = windowsPath.substr(0, 2) + "\\";
        for (size_t i = 0; i < folderCount; ++i) canonical += parts[i] + "\\";
        plain = canonical == windowsPath.substr(0, folderEnd + 1);
    }

    std::string result = drive.hostRoot;
    size_t hostFolderLength = result.size();
    struct stat folderStat;
    bool folderStatKnown = false;
    bool resolving = true;
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        std::string found;
        struct stat st;
        Lookup lookup = resolving ? FindIgnoringCase(result, part, &found, &st) : Lookup::kMissing;
        if (lookup == Lookup::kMissing && resolving && part.find('~') != std::string::npos &&
            FindByShortName(result, part, &found)) {
            std::string aliased = result + "/" + found;
            lookup = lstat(aliased.c_str(), &st) == 0 ? KindOf(st) : Lookup::kMissing;
        }
        // A symbolic link could lead out of the drive's folder, and opening
        // a pipe or device could block or do harm; Windows paths never
        // reach either.
        if (lookup == Lookup::kOther) return false;
        if (lookup == Lookup::kFound) {
            result += "/" + found;
        } else {
            resolving = false;
            result += "/" + part;
        }
        if (i < folderCount) {
            if (lookup != Lookup::kFound || found != part || !S_ISDIR(st.st_mode)) plain = false;
            hostFolderLength = result.size();
            folderStat = st;
            folderStatKnown = true;
        }
    }
    *hostPath = result;
    if (plain) RememberFolder(windowsPath.substr(0, folderEnd + 1), result.substr(0, hostFolderLength),
                              folderStatKnown ? &folderStat : nullptr);
    return true;
}

// A walk builds its folder paths from the names it listed, so they are
// nearly always spelt as on the host: one walk of the host path, refusing
// links, then both translates and opens. Only when that fails (a name
// differing in case, an 8.3 alias, a link above the drive's folder, a
// host without openat2) is the path translated component by component.
DIR* FileSystem::OpenFolder(const std::string& windowsFolder, std::string* hostFolder, struct stat* folderStat,
                            bool* translated, DWORD* error) const {
    *translated = false;
    *error = ERROR_PATH_NOT_FOUND;
    if (windowsFolder.size() < 2 || windowsFolder[1] != ':') return nullptr;
    const Drive& drive = DriveOf(windowsFolder[0]);
    if (drive.hostRoot.empty()) return nullptr;
    std::string relative;
    int fd = -1;
    if (PlainRelativePath(windowsFolder, &relative)) {
        hostFolder->assign(drive.hostRoot);
        if (!relative.empty()) {
            hostFolder->push_back('/');
            hostFolder->append(relative);
        }
        fd = OpenFolderWithoutLinks(*hostFolder);
        if (fd >= 0 && fstat(fd, folderStat) != 0) {
            close(fd);
            fd = -1;
        }
        if (fd >= 0) {
            *translated = true;
            RememberFolder(windowsFolder, *hostFolder, folderStat);
        }
    }
    if (fd < 0) {
        if (!ToHostPath(windowsFolder, hostFolder)) return nullptr;
        *translated = true;
        fd = open(hostFolder->c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0 || fstat(fd, folderStat) != 0) {
            if (errno == EACCES) *error = ERROR_ACCESS_DENIED;
            if (fd >= 0) close(fd);
            return nullptr;
        }
    }
    DIR* folder = fdopendir(fd);
    if (folder == nullptr) close(fd);
    return folder;
}

// Nearly every path the scan translates lies in the folder it has just
// listed. That folder is remembered after a full translation and, for as
// long as the host folder behind it is still the same folder (device and
// inode), a path in it costs one look at the host folder and one at the
// entry instead of one per component. Only folders whose every component
// was found as spelt are remembered: a new entry differing in case could
// not change how they translate.
void FileSystem::RememberFolder(const std::string& windowsFolder, const std::string& hostFolder,
                                const struct stat* known) const {
    struct stat st;
    if (known == nullptr) {
        if (stat(hostFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
        known = &st;
    }
    recentFolder_.windows = windowsFolder;
    recentFolder_.host = hostFolder;
    recentFolder_.device = known->st_dev;
    recentFolder_.inode = known->st_ino;
    recentFolder_.valid = true;
}

int FileSystem::TranslateInRecentFolder(const std::string& windowsPath, std::string* hostPath,
                                        ListedFile* listed) const {
    const RecentFolder& recent = recentFolder_;
    size_t nameStart = recent.windows.size();
    if (!recent.valid || windowsPath.size() < nameStart ||
        memcmp(windowsPath.data(), recent.windows.data(), nameStart) != 0)
        return 0;
    bool folderItself = nameStart == windowsPath.size();
    const char* listedName = windowsPath.c_str() + nameStart;
    if (!folderItself) {
        // More than one name below the folder is not for it; a name no
        // Windows name can be is refused.
        Component component = ClassifyComponent(listedName, windowsPath.size() - nameStart);
        if (component == Component::kNotOne) return 0;
        if (component == Component::kInvalid) return -1;
    }
    // A name the folder's listing has just read, or the folder itself,
    // with nothing changed by the machine since: the listing looked at the
    // folder and the entry.
    const FolderListing* kept = KeptListing();
    bool listedHere = kept != nullptr && kept->entries->host == recent.host;
    if (folderItself && listedHere) {
        *hostPath = recent.host;
        return 1;
    }
    if (!folderItself && listedHere) {
        bool sizeKnown = false;
        const WIN32_FIND_DATAA* entry = FindListed(listedName, &sizeKnown);
        if (entry != nullptr) {
            hostPath->assign(recent.host);
            hostPath->push_back('/');
            hostPath->append(entry->cFileName);
            if (listed != nullptr && !(entry->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                if (sizeKnown)
                    listed->size = static_cast<int64_t>(static_cast<uint64_t>(entry->nFileSizeHigh) << 32 |
                                                        entry->nFileSizeLow);
                listed->folderFd = dirfd(kept->folder.get());
                listed->entry = entry;
            }
            return 1;
        }
    }
    // lstat: a folder since replaced by a link to itself is not the same.
    struct stat st;
    if (lstat(recent.host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_dev != recent.device ||
        st.st_ino != recent.inode) {
        recentFolder_.valid = false;
        return 0;
    }
    if (folderItself) {
        *hostPath = recent.host;
        return 1;
    }
    std::string name = windowsPath.substr(nameStart);
    std::string found;
    Lookup lookup = FindIgnoringCase(recent.host, name, &found, &st);
    if (lookup == Lookup::kMissing && name.find('~') != std::string::npos &&
        FindByShortName(recent.host, name, &found)) {
        std::string aliased = recent.host + "/" + found;
        lookup = lstat(aliased.c_str(), &st) == 0 ? KindOf(st) : Lookup::kMissing;
    }
    if (lookup == Lookup::kOther) return -1;
    *hostPath = recent.host + "/" + (lookup == Lookup::kFound ? found : name);
    return 1;
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

DWORD FileSystem::AttributesOfEntry(const std::string& hostFolder, const char* name, bool folder) const {
    DWORD kept = 0x20u;  // new files carry the archive bit
    if (!attributes_.empty()) {
        auto it = attributes_.find(name == nullptr ? hostFolder : hostFolder + "/" + name);
        if (it != attributes_.end()) kept = it->second;
    }
    return folder ? (kept & ~0x20u) | 0x10u : kept;
}

void FileSystem::SetAttributes(const std::string& hostPath, DWORD attributes) {
    NoteChange();
    attributes_[hostPath] = attributes & ~0x10u;
}

void FileSystem::ForgetAttributes(const std::string& hostPath) {
    NoteChange();
    attributes_.erase(hostPath);
}

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
    NoteChange();
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

CrtDescriptor* FileSystem::NewDescriptor(int* fd) {
    const int kFirst = 3;  // 0, 1 and 2 are the standard streams
    size_t index = 0;
    while (index < descriptors_.size() && descriptors_[index]->inUse) ++index;
    if (index == descriptors_.size()) descriptors_.push_back(std::unique_ptr<DescriptorSlot>(new DescriptorSlot));
    DescriptorSlot& slot = *descriptors_[index];
    std::string path = std::move(slot.descriptor.windowsPath);  // its storage serves the next path
    path.clear();
    slot.descriptor = CrtDescriptor();
    slot.descriptor.windowsPath = std::move(path);
    slot.inUse = true;
    *fd = kFirst + static_cast<int>(index);
    return &slot.descriptor;
}

CrtDescriptor* FileSystem::Descriptor(int fd) {
    if (fd < 3 || static_cast<size_t>(fd - 3) >= descriptors_.size()) return nullptr;
    DescriptorSlot& slot = *descriptors_[static_cast<size_t>(fd - 3)];
    return slot.inUse ? &slot.descriptor : nullptr;
}

size_t FileSystem::DescriptorCount() const {
    size_t count = 0;
    for (const std::unique_ptr<DescriptorSlot>& slot : descriptors_)
        if (slot->inUse) ++count;
    return count;
}

bool FileSystem::RemoveDescriptor(int fd) {
    CrtDescriptor* descriptor = Descriptor(fd);
    if (descriptor == nullptr) return false;
    descriptors_[static_cast<size_t>(fd - 3)]->inUse = false;
    descriptor->handle = nullptr;
    descriptor->file = nullptr;
    return true;
}

bool FileSystem::WriteFile(const std::string& windowsPath, const std::string& contents) {
    NoteChange();
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
    NoteChange();
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
    for (const OpenEntry& held : openShares_) {
        if (!held.inUse || held.hostPath != hostPath) continue;
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
    OpenEntry* entry = nullptr;
    for (OpenEntry& candidate : openShares_) {
        if (!candidate.inUse) {
            entry = &candidate;
            break;
        }
    }
    if (entry == nullptr) {
        openShares_.emplace_back();
        entry = &openShares_.back();
    }
    entry->inUse = true;
    entry->hostPath.assign(hostPath);
    entry->share = share;
    entry->access = access;
}

void FileSystem::ReleaseOpen(const std::string& hostPath, DWORD share, DWORD access) {
    for (OpenEntry& entry : openShares_) {
        if (entry.inUse && entry.share == share && entry.access == access && entry.hostPath == hostPath) {
            entry.inUse = false;
            return;
        }
    }
}

bool FileSystem::HeldWithoutDeleteSharing(const std::string& hostPath) const {
    for (const OpenEntry& entry : openShares_)
        if (entry.inUse && !(entry.share & 4) && entry.hostPath == hostPath) return true;  // FILE_SHARE_DELETE
    return false;
}

size_t FileSystem::OpenCount(const std::string& hostPath) const {
    size_t count = 0;
    for (const OpenEntry& entry : openShares_)
        if (entry.inUse && entry.hostPath == hostPath) ++count;
    return count;
}

void FileSystem::KeepListing(FolderListing listing) {
    listing.generation = generation_;
    ParkOpenFile(-1, nullptr);
    listing_ = std::move(listing);
    listingByName_.clear();
}

const WIN32_FIND_DATAA* FileSystem::FindListed(const char* name, bool* sizeKnown) const {
    // The walk opens each file just after its listing hands it out.
    if (parkedEntry_ != nullptr && strcmp(parkedEntry_->cFileName, name) == 0) {
        *sizeKnown = true;
        return parkedEntry_;
    }
    const std::vector<WIN32_FIND_DATAA>& found = listing_.entries->found;
    if (listingByName_.empty()) {
        listingByName_.reserve(found.size());
        for (uint32_t i = 0; i < found.size(); ++i) {
            const char* entryName = found[i].cFileName;
            if (strcmp(entryName, ".") != 0 && strcmp(entryName, "..") != 0) listingByName_.push_back(i);
        }
        std::sort(listingByName_.begin(), listingByName_.end(),
                  [&found](uint32_t a, uint32_t b) { return strcmp(found[a].cFileName, found[b].cFileName) < 0; });
    }
    auto it = std::lower_bound(listingByName_.begin(), listingByName_.end(), name,
                               [&found](uint32_t index, const char* wanted) {
                                   return strcmp(found[index].cFileName, wanted) < 0;
                               });
    if (it == listingByName_.end() || strcmp(found[*it].cFileName, name) != 0) return nullptr;
    *sizeKnown = listing_.entries->sizeKnown[*it] != 0;
    return &found[*it];
}

const FileSystem::FolderListing* FileSystem::KeptListing() const {
    return listing_.entries != nullptr && listing_.generation == generation_ ? &listing_ : nullptr;
}

void FileSystem::ForgetListing() {
    ParkOpenFile(-1, nullptr);
    listing_ = FolderListing();  // closes its folder
    listingByName_.clear();
}

void FileSystem::ParkOpenFile(int fd, const WIN32_FIND_DATAA* entry) {
    if (parkedFd_ >= 0) close(parkedFd_);
    parkedFd_ = fd;
    parkedEntry_ = entry;
}

int FileSystem::TakeParkedFile(const WIN32_FIND_DATAA* entry) {
    if (parkedFd_ < 0 || entry == nullptr || entry != parkedEntry_ || KeptListing() == nullptr) return -1;
    int fd = parkedFd_;
    parkedFd_ = -1;
    parkedEntry_ = nullptr;
    return fd;
}

void FileSystem::Clear() {
    NoteChange();
    ForgetListing();
    listingSettleMs = 50;
    foldersRead = 0;
    for (Drive& drive : drives_) drive = Drive();
    recentFolder_.valid = false;
    attributes_.clear();
    openShares_.clear();
    shortNames_.clear();
    pending_.clear();
    descriptors_.clear();  // their handles go with the machine's handle table
    windowsDirectory = "C:\\WINDOWS";
    tempPath = "C:\\WINDOWS\\TEMP\\";
}

}  // namespace winsim
