// The directory walk over arbitrary host trees, under code page 65001:
// any name bytes a host allows (backslashes, wildcards, control
// characters, case variants of a sibling, bytes that are no UTF-8), any
// depth and name length. The walk must end with no listing
// open, show no status longer than 60 characters, and count exactly the
// files whose path and whose folders' patterns fit the 260-byte buffers,
// below folders that Windows could name and list. (What it passes over it
// names in "Unable to scan" lines.)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/shared_state.h"
#include "fuzz_world.h"
#include "scan/directory_walk.h"
#include "winsim/filesystem.h"
#include "winsim/machine.h"

namespace {

const size_t kMaxEntries = 160;
const size_t kMaxHostPath = 3800;  // below the host's own path limit
const size_t kWalkLimit = 259;     // characters of a path with its terminator in 260 bytes

struct Node {
    std::string name;
    bool folder;
    std::vector<std::unique_ptr<Node>> children;
};

// Files the walk must count below a folder whose Windows path is `path`.
int Expected(const Node& folder, const std::string& path) {
    int count = 0;
    for (const auto& child : folder.children) {
        // Passed over by the walk: a separator in a name, or a '?' (a
        // character the code page lacks, which 65001 never lists without
        // an alias to reach it by).
        if (child->name.find_first_of("\\?") != std::string::npos) continue;
        std::string childPath = path + "\\" + child->name;
        if (!child->folder) {
            if (childPath.size() <= kWalkLimit) ++count;
        } else if (childPath.size() + 4 <= kWalkLimit && winsim::IsValidWindowsName(child->name)) {
            count += Expected(*child, childPath);
        }
    }
    return count;
}

// A folder, or an empty file; false when the host refuses (a duplicate).
bool MakeHostEntry(const std::string& path, bool folder) {
    if (folder) return mkdir(path.c_str(), 0755) == 0;
    int fd = open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0644);
    if (fd < 0) return false;
    close(fd);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ResetWorld();
    // Names pass byte for byte, as bruvane-scan scans a disk: what the walk
    // sees is then the host's own bytes, which the model below counts.
    winsim::TheMachine().ansiCodePage = 65001;
    std::string root = winsim::TheMachine().files.DriveOf('C').hostRoot;
    fuzz::ByteReader input(data, size);

    // Each step: an operation byte (file, folder and enter it, or leave the
    // current folder), a name length and the name.
    Node tree{"", true, {}};
    std::vector<Node*> stack = {&tree};
    std::vector<std::string> hostPath = {root};
    size_t entries = 0;
    while (input.Left() > 0 && entries < kMaxEntries) {
        uint8_t operation = input.Byte() % 3;
        if (operation == 2) {
            if (stack.size() > 1) {
                stack.pop_back();
                hostPath.pop_back();
            }
            continue;
        }
        std::string name = input.Text(input.Byte());
        for (char& c : name)
            if (c == '/') c = '\\';
        if (name.empty() || name == "." || name == "..") continue;
        std::string path = hostPath.back() + "/" + name;
        if (path.size() > kMaxHostPath) continue;
        if (!MakeHostEntry(path, operation == 1)) continue;
        ++entries;
        stack.back()->children.push_back(std::unique_ptr<Node>(new Node{name, operation == 1, {}}));
        if (operation == 1) {
            stack.push_back(stack.back()->children.back().get());
            hostPath.push_back(path);
        }
    }

    fuzz::SetStatusLimit(60);
    int result = WalkDirectory("C:\\*.*");
    int expected = Expected(tree, "C:");
    fuzz::Check(result == expected, "files scanned differ from the files that fit");
    fuzz::Check(ScanCounters.filesScanned == expected, "counter differs from the files that fit");
    fuzz::Check(winsim::TheMachine().handles.OpenCount() == 0, "a listing was left open");
    return 0;
}
