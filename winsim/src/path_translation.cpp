#include "path_translation.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>

#include "ansi_names.h"
#include "character_steps.h"
#include "file_parts.h"

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

// How the `length` bytes of ANSI text read as one component of a path:
// kNotOne when empty, "." or "..", or holding a separator; kInvalid when
// one component but holding what no Windows name can; else kPlain.
enum class Component { kPlain, kNotOne, kInvalid };

Component ClassifyBytes(const char* text, size_t length) {
    if (length == 0 || (text[0] == '.' && (length == 1 || (length == 2 && text[1] == '.')))) return Component::kNotOne;
    bool valid = true;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == '\\' || text[i] == '/') return Component::kNotOne;
        if (IsInvalidNameCharacter(static_cast<unsigned char>(text[i]))) valid = false;
    }
    return valid ? Component::kPlain : Component::kInvalid;
}

// In a double-byte code page a later byte of a character may look like
// ASCII ('\\' or '|' in 932): the bytes of such characters are masked
// before the bytes are read.
Component ClassifyDoubleByte(UINT codePage, const char* text, size_t length) {
    std::string masked(text, length);
    size_t i = 0;
    while (i < length) {
        size_t step = CharacterLength(codePage, text + i);
        if (step == 0 || i + step > length) step = 1;
        if (step > 1) masked.replace(i, step, step, 'x');
        i += step;
    }
    return ClassifyBytes(masked.data(), length);
}

// The same by characters of the code page; in 1252 and UTF-8 every byte
// below 0x80 is a character of its own.
inline Component ClassifyComponent(UINT codePage, const char* text, size_t length) {
    return codePage == 932 ? ClassifyDoubleByte(codePage, text, length) : ClassifyBytes(text, length);
}

// The host spelling, relative to the drive's folder ("dir/sub"), of a
// folder path written plainly: "X:\" then components each ended by "\",
// none empty, "." or "..", none holding what a Windows name cannot.
bool PlainRelativePath(UINT codePage, const std::string& folder, std::string* relative) {
    if (folder.size() < 3 || folder[1] != ':' || folder[2] != '\\') return false;
    relative->clear();
    std::string hostName;
    size_t start = 3;
    while (start < folder.size()) {
        size_t end = FindCharacter(codePage, folder.data(), folder.size(), start, "\\");
        if (end == folder.size()) return false;  // the last component is no folder's: not ended by '\\'
        size_t length = end - start;
        if (ClassifyComponent(codePage, folder.data() + start, length) != Component::kPlain) return false;
        if (!AnsiToHostName(codePage, folder.data() + start, length, &hostName)) return false;
        if (!relative->empty()) relative->push_back('/');
        relative->append(hostName);
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

void PathTranslation::MapDrive(char letter, const std::string& hostRoot, UINT type) {
    int index = DriveIndex(letter);
    if (index < 0) return;
    std::string root = hostRoot;
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    drives_[index].hostRoot = root;
    drives_[index].type = type;
    recent_->Forget();
}

bool PathTranslation::ToHostPath(const std::string& windowsPath, std::string* hostPath, ListedFile* listed,
                                 DWORD* error) const {
    const UINT codePage = TheMachine().ansiCodePage;
    if (listed != nullptr) *listed = ListedFile();
    if (error != nullptr) *error = ERROR_PATH_NOT_FOUND;
    if (windowsPath.size() < 2 || windowsPath[1] != ':') return false;
    const Drive& drive = DriveOf(windowsPath[0]);
    if (drive.hostRoot.empty()) return false;
    Outcome recent = TranslateInRecentFolder(windowsPath, codePage, hostPath, listed);
    if (recent == Outcome::kTranslated) return true;
    if (recent == Outcome::kInvalidName && error != nullptr) *error = ERROR_INVALID_NAME;
    if (recent != Outcome::kNotHere) return false;
    std::string rest = windowsPath.substr(2);
    if (!rest.empty() && rest[0] != '\\' && rest[0] != '/') return false;  // drive-relative paths
    // "." and ".." are taken away by the text alone, before any lookup, as
    // Windows does: "C:\missing\..\dir" is "C:\dir". Each component is
    // kept as written (for the check below) and as the host spells it.
    std::vector<std::string> parts;
    std::vector<std::string> hostParts;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = FindCharacter(codePage, rest.data(), rest.size(), start, "\\/");
        std::string part = rest.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            if (!hostParts.empty()) hostParts.pop_back();
            continue;
        }
        // Windows and Wine refuse such a name (ERROR_INVALID_NAME): a host
        // file called "a*b.exe" is listed but cannot be opened by it, nor
        // one listed with '?' for a character the code page cannot hold.
        std::string hostPart;
        if (ClassifyComponent(codePage, part.data(), part.size()) != Component::kPlain ||
            (codePage != 65001 && !AnsiToHostName(codePage, part.data(), part.size(), &hostPart))) {
            if (error != nullptr) *error = ERROR_INVALID_NAME;
            return false;
        }
        if (codePage != 65001) hostParts.push_back(hostPart);  // in UTF-8 the host spells every name as written
        parts.push_back(part);
    }
    const std::vector<std::string>& lookups = codePage == 65001 ? parts : hostParts;

    // The folder part may be remembered when it is written plainly: "\"
    // separators only, no "." or "..", every component found as spelt.
    size_t folderEnd = FindLastCharacter(codePage, windowsPath.data(), windowsPath.size(), "\\");
    bool plain = folderEnd != windowsPath.size() &&
                 FindCharacter(codePage, windowsPath.data(), windowsPath.size(), 0, "/") == windowsPath.size();
    bool nameGiven = plain && folderEnd + 1 < windowsPath.size();
    if (nameGiven) {
        const char* name = windowsPath.c_str() + folderEnd + 1;
        if (ClassifyComponent(codePage, name, windowsPath.size() - folderEnd - 1) == Component::kNotOne) plain = false;
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
    for (size_t i = 0; i < lookups.size(); ++i) {
        const std::string& part = lookups[i];
        std::string found;
        struct stat st;
        Lookup lookup = resolving ? FindIgnoringCase(result, part, &found, &st) : Lookup::kMissing;
        if (lookup == Lookup::kMissing && resolving && part.find('~') != std::string::npos &&
            shortNames_->FindByShortName(result, part, &found)) {
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
DIR* PathTranslation::OpenFolder(const std::string& windowsFolder, std::string* hostFolder, struct stat* folderStat,
                            bool* translated, DWORD* error) const {
    *translated = false;
    *error = ERROR_PATH_NOT_FOUND;
    if (windowsFolder.size() < 2 || windowsFolder[1] != ':') return nullptr;
    const Drive& drive = DriveOf(windowsFolder[0]);
    if (drive.hostRoot.empty()) return nullptr;
    std::string relative;
    int fd = -1;
    if (PlainRelativePath(TheMachine().ansiCodePage, windowsFolder, &relative)) {
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
        if (!ToHostPath(windowsFolder, hostFolder, nullptr, error)) return nullptr;
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
// listed. A folder is remembered after a full translation and, for as long
// as the host folder behind it is still the same folder (device and
// inode), a path in it costs one look at the host folder and one at the
// entry instead of one per component. Only folders whose every component
// was found as spelt are remembered: a new entry differing in case could
// not change how they translate.
void PathTranslation::RememberFolder(const std::string& windowsFolder, const std::string& hostFolder,
                                     const struct stat* known) const {
    struct stat st;
    if (known == nullptr) {
        if (stat(hostFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
        known = &st;
    }
    recent_->Remember(windowsFolder, hostFolder, *known);
}

PathTranslation::Outcome PathTranslation::TranslateInRecentFolder(const std::string& windowsPath, UINT codePage,
                                                                  std::string* hostPath, ListedFile* listed) const {
    RecentFolder& recent = *recent_;
    size_t nameStart = recent.PrefixOf(windowsPath, codePage);
    if (nameStart == 0) return Outcome::kNotHere;
    bool folderItself = nameStart == windowsPath.size();
    const char* listedName = windowsPath.c_str() + nameStart;
    if (!folderItself) {
        // More than one name below the folder is not for it; a name no
        // Windows name can be is refused.
        Component component = ClassifyComponent(codePage, listedName, windowsPath.size() - nameStart);
        if (component == Component::kNotOne) return Outcome::kNotHere;
        if (component == Component::kInvalid) return Outcome::kInvalidName;
    }
    // A name the folder's listing has just read, or the folder itself,
    // with nothing changed by the machine since: the listing looked at the
    // folder and the entry.
    bool listedHere = recent.Listed(*generation_);
    if (folderItself && listedHere) {
        *hostPath = recent.HostFolder();
        return Outcome::kTranslated;
    }
    if (!folderItself && listedHere) {
        bool sizeKnown = false;
        const WIN32_FIND_DATAA* entry = recent.FindListed(listedName, &sizeKnown);
        if (entry != nullptr) {
            const char* hostName = recent.HostNameOf(entry);
            hostPath->assign(recent.HostFolder());
            hostPath->push_back('/');
            hostPath->append(hostName);
            if (listed != nullptr && !(entry->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                if (sizeKnown)
                    listed->size = static_cast<int64_t>(static_cast<uint64_t>(entry->nFileSizeHigh) << 32 |
                                                        entry->nFileSizeLow);
                listed->folderFd = recent.FolderFd();
                listed->entry = entry;
                listed->hostName = hostName;
            }
            return Outcome::kTranslated;
        }
    }
    if (!recent.StillThere()) return Outcome::kNotHere;
    const std::string& host = recent.HostFolder();
    if (folderItself) {
        *hostPath = host;
        return Outcome::kTranslated;
    }
    std::string name;
    if (!AnsiToHostName(codePage, listedName, windowsPath.size() - nameStart, &name))
        return Outcome::kInvalidName;
    std::string found;
    struct stat st;
    Lookup lookup = FindIgnoringCase(host, name, &found, &st);
    if (lookup == Lookup::kMissing && name.find('~') != std::string::npos &&
        shortNames_->FindByShortName(host, name, &found)) {
        std::string aliased = host + "/" + found;
        lookup = lstat(aliased.c_str(), &st) == 0 ? KindOf(st) : Lookup::kMissing;
    }
    if (lookup == Lookup::kOther) return Outcome::kRefused;
    *hostPath = host + "/" + (lookup == Lookup::kFound ? found : name);
    return Outcome::kTranslated;
}

void PathTranslation::SetDriveType(char letter, UINT type) {
    int index = DriveIndex(letter);
    if (index >= 0) drives_[index].type = type;
}

const Drive& PathTranslation::DriveOf(char letter) const {
    static const Drive kNone;
    int index = DriveIndex(letter);
    return index < 0 ? kNone : drives_[index];
}

void PathTranslation::Clear() {
    for (Drive& drive : drives_) drive = Drive();
    recent_->Forget();
}

bool HostPathOf(const char* windowsPath, std::string* host, DWORD* error) {
    if (error != nullptr) *error = ERROR_PATH_NOT_FOUND;
    if (windowsPath == nullptr) return false;
    return Files().paths.ToHostPath(windowsPath, host, nullptr, error);
}

bool SplitFolderAndName(const std::string& path, std::string* folder, std::string* name) {
    size_t slash = FindLastCharacter(TheMachine().ansiCodePage, path.data(), path.size(), "\\/");
    if (slash == path.size()) return false;
    *folder = path.substr(0, slash + 1);
    *name = path.substr(slash + 1);
    return true;
}

}  // namespace winsim
