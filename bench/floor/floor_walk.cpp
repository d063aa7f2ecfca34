#include "floor_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace {

const size_t kListingBufferSize = 32768;

// The entry's kind, looked at only when the folder's entry does not say.
unsigned char EntryType(int dirfd, const struct dirent64* entry) {
    if (entry->d_type != DT_UNKNOWN) return entry->d_type;
    struct stat st;
    if (fstatat(dirfd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) return DT_UNKNOWN;
    if (S_ISDIR(st.st_mode)) return DT_DIR;
    return S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
}

// Hands the folder's files to the visitor and returns its subfolders'
// names, separated by '\0'. The listing buffer lives only here, not in
// every level of the recursion.
std::string ListFolder(int dirfd, const std::string& path, FloorVisitor* visitor) {
    std::string subfolders;
    alignas(struct dirent64) char buffer[kListingBufferSize];
    for (;;) {
        ssize_t got = getdents64(dirfd, buffer, sizeof buffer);
        if (got <= 0) break;
        for (ssize_t at = 0; at < got;) {
            const struct dirent64* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
            at += entry->d_reclen;
            const char* name = entry->d_name;
            if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) continue;
            unsigned char type = EntryType(dirfd, entry);
            if (type == DT_DIR)
                subfolders.append(name).push_back('\0');
            else if (type == DT_REG)
                visitor->File(dirfd, path, name);
        }
    }
    return subfolders;
}

uint64_t WalkFolder(int dirfd, std::string* path, FloorVisitor* visitor) {
    visitor->FolderOpened(dirfd);
    std::string subfolders = ListFolder(dirfd, *path, visitor);
    uint64_t folders = 1;
    size_t length = path->size();
    for (size_t at = 0; at < subfolders.size();) {
        const char* name = subfolders.c_str() + at;
        size_t nameLength = strlen(name);
        at += nameLength + 1;
        int subfolder = openat(dirfd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (subfolder < 0) continue;
        path->append("/").append(name, nameLength);
        folders += WalkFolder(subfolder, path, visitor);
        path->resize(length);
    }
    visitor->FolderDone(dirfd);
    return folders;
}

}  // namespace

uint64_t WalkFloorTree(const std::string& root, FloorVisitor* visitor) {
    std::string path = root;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    int dirfd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirfd < 0) return 0;
    return WalkFolder(dirfd, &path, visitor);
}
