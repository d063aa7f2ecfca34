// Helpers shared by winsim's own process, module and service calls (not
// for the core).
#pragma once

#include <string>

#include "winsim/handles.h"
#include "winsim/processes.h"

namespace winsim {

// A handle from OpenProcess or CreateProcessA: the id it names and the
// rights it was opened with.
struct ProcessHandleObject : HandleObject {
    DWORD id;
    DWORD access;
    ProcessHandleObject(DWORD i, DWORD a) : id(i), access(a) {}
};

struct ThreadHandleObject : HandleObject {
    DWORD processId;
    explicit ThreadHandleObject(DWORD id) : processId(id) {}
};

bool OnWindows9x();
// The part of a path after its last backslash.
std::string FileNameOf(const std::string& path);
// "12" for an id, for fault arguments and the call log.
std::string IdText(DWORD id);
// The process behind a handle that carries every right in `needed`;
// nullptr with the last error set otherwise.
SimProcess* ProcessForHandle(HANDLE handle, DWORD needed);

}  // namespace winsim
