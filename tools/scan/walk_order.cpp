#include "walk_order.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace {

const size_t kListingBufferSize = 32768;
// A subfolder's walk pattern ends in "\*.*".
const size_t kPatternTailLength = 4;

unsigned char EntryType(int dirfd, const struct dirent64* entry) {
    if (entry->d_type != DT_UNKNOWN) return entry->d_type;
    struct stat st;
    if (fstatat(dirfd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) return DT_UNKNOWN;
    if (S_ISDIR(st.st_mode)) return DT_DIR;
    return S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
}

void SortByName(const std::string& names, std::vector<uint32_t>* offsets) {
    std::stable_sort(offsets->begin(), offsets->end(), [&names](uint32_t a, uint32_t b) {
        return strcasecmp(names.c_str() + a, names.c_str() + b) < 0;
    });
}

}  // namespace

bool ListInWalkOrder(int dirfd, size_t windowsPrefixLength, WalkListing* listing) {
    listing->names.clear();
    listing->files.clear();
    listing->subfolders.clear();
    alignas(struct dirent64) char buffer[kListingBufferSize];
    for (;;) {
        ssize_t got = getdents64(dirfd, buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0) return false;
        for (ssize_t at = 0; at < got;) {
            const struct dirent64* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
            at += entry->d_reclen;
            const char* name = entry->d_name;
            if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0 || strchr(name, '\\') != nullptr) continue;
            size_t pathLength = windowsPrefixLength + strlen(name);
            unsigned char type = EntryType(dirfd, entry);
            std::vector<uint32_t>* kind = nullptr;
            if (type == DT_REG && pathLength < kWalkPathLimit)
                kind = &listing->files;
            else if (type == DT_DIR && pathLength + kPatternTailLength < kWalkPathLimit)
                kind = &listing->subfolders;
            if (kind == nullptr) continue;
            kind->push_back(static_cast<uint32_t>(listing->names.size()));
            listing->names.append(name).push_back('\0');
        }
    }
    SortByName(listing->names, &listing->files);
    SortByName(listing->names, &listing->subfolders);
    return true;
}
