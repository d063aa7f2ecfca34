// The parts of the machine's file side, one job each:
//   path_translation     drive letters, Windows paths -> host paths
//   folder_listing       reading a folder in full, and the one folder kept
//   file_attributes      attributes the host has no place for
//   open_sharing         open handles' sharing, and the kernel file handle
//   runtime_descriptors  the runtime library's descriptor table
//   pending_operations   operations for the next start
//   short_names          8.3 aliases
// and, shared with the code-page calls, ansi_names (host names spelt in
// the machine's ANSI code page, and back) and character_steps (text of
// the code page divided into characters).
// The Win32 and runtime calls over them are in files.cpp (create, read,
// write, delete, attributes), find_files.cpp (searches), file_moves.cpp,
// folders.cpp (system folders, short paths), crt_files.cpp (_open and
// friends) and fopen_wrap.cpp.
#pragma once

#include "file_attributes.h"
#include "folder_listing.h"
#include "open_sharing.h"
#include "path_translation.h"
#include "pending_operations.h"
#include "runtime_descriptors.h"
#include "short_names.h"
#include "winsim/machine.h"

namespace winsim {

struct FileParts {
    explicit FileParts(const uint64_t* generation) : paths(&recent, &shortNames, generation) {}

    RecentFolder recent;
    ShortNames shortNames;
    PathTranslation paths;
    FileAttributes attributes;
    OpenSharing sharing;
    RuntimeDescriptors descriptors;
    PendingOperations pending;
};

// The parts of the machine's files.
inline FileParts& Files() { return TheMachine().files.Parts(); }

}  // namespace winsim
