// The runtime library's descriptor table (_open, fopen): numbers from 3
// up, the lowest free one first, each naming a kernel file handle with
// the runtime's own state (mode, position, the length the open saw).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "winsim/types.h"

namespace winsim {

struct FileObject;

struct CrtDescriptor {
    HANDLE handle = nullptr;
    FileObject* file = nullptr;  // the object behind the handle, while the handle is there
    std::string windowsPath;
    bool text = false;
    bool append = false;
    bool readable = false;
    bool writable = false;
    bool ended = false;  // text reads: Ctrl+Z seen; a seek clears it
    // The runtime keeps the file position itself: a read is one positioned
    // host read and a seek is no host call at all.
    int64_t position = 0;
    // The length the open looked at, answered by _filelength until the
    // descriptor reads, writes or seeks, or the machine changes anything
    // (-1: not known, ask the file).
    int64_t lengthAtOpen = -1;
    uint64_t generationAtOpen = 0;
};

class RuntimeDescriptors {
public:
    // A fresh descriptor (every field as a new CrtDescriptor's) for the
    // caller to fill in; its number in *fd. The pointer stays valid until
    // the descriptor is removed.
    CrtDescriptor* Add(int* fd);
    // nullptr when `fd` is not open.
    CrtDescriptor* Find(int fd);
    bool Remove(int fd);
    size_t Count() const;
    void Clear() { slots_.clear(); }  // their handles go with the machine's handle table

private:
    // Descriptor number n lives in slot n - 3. Slots are kept when their
    // descriptor closes, so an open reuses one (and its path's storage).
    struct Slot {
        bool inUse = false;
        CrtDescriptor descriptor;
    };
    std::vector<std::unique_ptr<Slot>> slots_;
};

}  // namespace winsim
