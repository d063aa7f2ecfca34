// Open handles' sharing: whether another open, a deletion or a rename may
// go ahead while a file is held open (by a kernel handle, a runtime
// descriptor, or a simulated process running the file), and the kernel
// file handle that holds such an entry while it is open.
#pragma once

#include <string>
#include <vector>

#include "winsim/handles.h"
#include "winsim/types.h"

namespace winsim {

class OpenSharing {
public:
    // Both ways: the new access must be shared by every holder, and every
    // holder's access must be shared by the new open.
    bool MayOpen(const std::string& hostPath, DWORD access, DWORD share) const;
    void NoteOpen(const std::string& hostPath, DWORD share, DWORD access);
    void ReleaseOpen(const std::string& hostPath, DWORD share, DWORD access);
    bool HeldWithoutDeleteSharing(const std::string& hostPath) const;
    size_t OpenCount(const std::string& hostPath) const;
    void Clear() { held_.clear(); }

private:
    // One open handle's sharing. Entries are kept when their handle goes
    // (inUse false), so a later open reuses one and its path's storage.
    struct Held {
        bool inUse = false;
        std::string hostPath;
        DWORD share = 0;
        DWORD access = 0;
    };
    std::vector<Held> held_;  // every open handle's, in no order
};

// A kernel file handle: the host descriptor and the sharing it was opened
// with, released when the handle goes.
struct FileObject : HandleObject {
    int fd = -1;
    std::string hostPath;
    DWORD share = 0;
    DWORD access = 0;
    ~FileObject() override;
};

}  // namespace winsim
