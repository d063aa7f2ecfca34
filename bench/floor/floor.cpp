// The floor of a scan: only the I/O that inspecting every file against
// the signature table cannot avoid, done the plain way a C program would.
//
//   bruvane-floor --walk-only FOLDER...   walk the tree, count the files
//   bruvane-floor FOLDER...               also, per file: open by full path,
//                                         take its length, read the PE
//                                         headers, close
//
// The header reads fetch the bytes the inspection needs (the PE offset at
// 0x3C, then signature, file header, optional-header prefix and section
// table) in as few reads as possible: one read of the first 4 KB, and a
// second only when the headers lie beyond it. Symbolic links are neither
// counted nor followed, as in bruvane-scan.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

const size_t kFirstRead = 4096;
const uint32_t kSectionTableOffset = 248;  // signature, file header, 224-byte optional header
const uint32_t kMaxSections = 20;
const uint32_t kHeaderSpan = kSectionTableOffset + kMaxSections * 40;

struct Totals {
    uint64_t folders = 0;
    uint64_t files = 0;
    uint64_t unopened = 0;
    uint64_t peFiles = 0;
    uint64_t bytesRead = 0;
};

uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

void ReadHeaders(const char* path, Totals* totals) {
    int fd = open(path, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        ++totals->unopened;
        return;
    }
    struct stat st;
    if (fstat(fd, &st) != 0) {
        close(fd);
        return;
    }
    unsigned char first[kFirstRead];
    ssize_t got = pread(fd, first, sizeof first, 0);
    if (got >= 0x3E) {
        totals->bytesRead += static_cast<uint64_t>(got);
        uint32_t peOffset = Le16(first + 0x3C);
        const unsigned char* headers = nullptr;
        unsigned char beyond[kHeaderSpan];
        if (peOffset + kHeaderSpan <= static_cast<uint32_t>(got) || got < static_cast<ssize_t>(kFirstRead)) {
            if (peOffset + 4 <= static_cast<uint32_t>(got)) headers = first + peOffset;
        } else {
            ssize_t more = pread(fd, beyond, sizeof beyond, peOffset);
            if (more >= 4) {
                totals->bytesRead += static_cast<uint64_t>(more);
                headers = beyond;
            }
        }
        if (headers != nullptr && Le32(headers) == 0x4550) ++totals->peFiles;
    }
    close(fd);
}

// Depth first, files of a folder before its subfolders, like the scan.
void Walk(std::string* path, bool readHeaders, Totals* totals) {
    DIR* dir = opendir(path->c_str());
    if (dir == nullptr) return;
    ++totals->folders;
    size_t length = path->size();
    std::string subfolders;  // names separated by '\0'
    while (struct dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) continue;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st;
            if (fstatat(dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
        }
        if (type == DT_LNK) continue;
        if (type == DT_DIR) {
            subfolders.append(name).push_back('\0');
            continue;
        }
        ++totals->files;
        if (readHeaders) {
            path->append("/").append(name);
            ReadHeaders(path->c_str(), totals);
            path->resize(length);
        }
    }
    closedir(dir);
    for (size_t at = 0; at < subfolders.size();) {
        const char* name = subfolders.c_str() + at;
        size_t nameLength = strlen(name);
        path->append("/").append(name, nameLength);
        Walk(path, readHeaders, totals);
        path->resize(length);
        at += nameLength + 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    bool readHeaders = true;
    int first = 1;
    if (argc > 1 && strcmp(argv[1], "--walk-only") == 0) {
        readHeaders = false;
        first = 2;
    }
    if (first >= argc) {
        fprintf(stderr, "usage: bruvane-floor [--walk-only] FOLDER...\n");
        return 2;
    }
    Totals totals;
    for (int i = first; i < argc; ++i) {
        std::string path = argv[i];
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        Walk(&path, readHeaders, &totals);
    }
    printf("folders %llu files %llu pe %llu unopened %llu bytes-read %llu\n",
           static_cast<unsigned long long>(totals.folders), static_cast<unsigned long long>(totals.files),
           static_cast<unsigned long long>(totals.peFiles), static_cast<unsigned long long>(totals.unopened),
           static_cast<unsigned long long>(totals.bytesRead));
    return 0;
}
