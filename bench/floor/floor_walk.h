// The floor's walk: depth first, the files of a folder before its
// subfolders (as the scan goes), each folder opened relative to its
// parent's descriptor and read with getdents64. Links are neither
// counted nor followed; pipes, sockets and devices are not files here.
#pragma once

#include <cstdint>
#include <string>

class FloorVisitor {
public:
    virtual ~FloorVisitor() = default;
    // A folder was opened; its files follow before any of its subfolders.
    virtual void FolderOpened(int dirfd) { (void)dirfd; }
    // `folder` is the folder's full path, for the visitors that open by it.
    virtual void File(int dirfd, const std::string& folder, const char* name) = 0;
    // The walk is done with the folder (and everything below it). The
    // descriptor is the visitor's to close.
    virtual void FolderDone(int dirfd) = 0;
};

// Walks `root` (a folder path); returns the number of folders walked.
uint64_t WalkFloorTree(const std::string& root, FloorVisitor* visitor);
