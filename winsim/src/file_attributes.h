// File attributes (read-only, hidden, system, archive) as Windows keeps
// them. The host has no place for them, so the machine keeps them by host
// path; a path it keeps nothing for carries the archive bit alone, as a
// new file does. FILE_ATTRIBUTE_DIRECTORY comes from the host.
#pragma once

#include <map>
#include <string>

#include "winsim/types.h"

namespace winsim {

class FileAttributes {
public:
    // INVALID_FILE_ATTRIBUTES when nothing is at the path.
    DWORD Of(const std::string& hostPath) const;
    // The same for an entry a listing has already looked at: `name` in the
    // host folder (nullptr: the folder itself), a folder or not. No look
    // at the host.
    DWORD OfEntry(const std::string& hostFolder, const char* name, bool folder) const;
    void Set(const std::string& hostPath, DWORD attributes);
    void Forget(const std::string& hostPath) { kept_.erase(hostPath); }
    // What is kept for `from` now belongs to `to` (and nothing else does).
    void Move(const std::string& from, const std::string& to);
    void Clear() { kept_.clear(); }

private:
    std::map<std::string, DWORD> kept_;  // host path -> attributes other than the default
};

}  // namespace winsim
