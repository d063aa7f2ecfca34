// The floor of a scan: only the I/O that inspecting every file's headers
// cannot avoid, done the plain way a C program would.
//
//   bruvane-floor --walk-only FOLDER...    walk the tree, count the files
//   bruvane-floor FOLDER...                also, per file: open relative to
//                                          its folder's descriptor, take its
//                                          length (fstat), read the first
//                                          4 KiB (one pread), close
//   bruvane-floor --threads N FOLDER...    the same with one walking thread
//                                          and N reading threads
//   bruvane-floor --full-path FOLDER...    per file: open by full path, take
//                                          its length, read the PE headers
//                                          (a second read when they lie
//                                          beyond the first 4 KiB), close
//
// The walk goes depth first, files of a folder before its subfolders, like
// the scan. Symbolic links are neither counted nor followed, as in
// bruvane-scan.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "floor_reads.h"
#include "floor_walk.h"
#include "parallel_floor.h"

namespace {

enum class Mode { kWalkOnly, kFirstPage, kFullPath };

class SingleThreadVisitor : public FloorVisitor {
public:
    explicit SingleThreadVisitor(Mode mode) : mode_(mode) {}
    void File(int dirfd, const std::string& folder, const char* name) override {
        if (mode_ == Mode::kWalkOnly) {
            ++totals.files;
        } else if (mode_ == Mode::kFirstPage) {
            ReadFirstPage(dirfd, name, &totals);
        } else {
            path_.assign(folder).append("/").append(name);
            ReadHeadersByPath(path_.c_str(), &totals);
        }
    }
    void FolderDone(int dirfd) override { close(dirfd); }
    FloorTotals totals;

private:
    Mode mode_;
    std::string path_;
};

int Usage() {
    fprintf(stderr, "usage: bruvane-floor [--walk-only | --full-path | --threads N] FOLDER...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    Mode mode = Mode::kFirstPage;
    int readers = 0;
    std::vector<std::string> roots;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--walk-only") == 0) {
            mode = Mode::kWalkOnly;
        } else if (strcmp(argv[i], "--full-path") == 0) {
            mode = Mode::kFullPath;
        } else if (strcmp(argv[i], "--threads") == 0 && i + 1 < argc) {
            char* end = nullptr;
            long count = strtol(argv[++i], &end, 10);
            if (*end != '\0' || count < 0 || count > 256) return Usage();
            readers = static_cast<int>(count);
        } else if (argv[i][0] == '-') {
            return Usage();
        } else {
            roots.push_back(argv[i]);
        }
    }
    if (roots.empty() || (readers > 0 && mode != Mode::kFirstPage)) return Usage();

    FloorTotals totals;
    uint64_t folders = 0;
    if (readers > 0) {
        totals = RunParallelFloor(roots, readers, &folders);
    } else {
        SingleThreadVisitor visitor(mode);
        for (const std::string& root : roots) folders += WalkFloorTree(root, &visitor);
        totals = visitor.totals;
    }
    printf("folders %llu files %llu pe %llu unopened %llu bytes-read %llu\n", static_cast<unsigned long long>(folders),
           static_cast<unsigned long long>(totals.files), static_cast<unsigned long long>(totals.peFiles),
           static_cast<unsigned long long>(totals.unopened), static_cast<unsigned long long>(totals.bytesRead));
    return 0;
}
