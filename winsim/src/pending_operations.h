// The operations carried out at the next start (MoveFileExA with
// MOVEFILE_DELAY_UNTIL_REBOOT), in the order they were recorded.
#pragma once

#include <string>
#include <vector>

#include "winsim/filesystem.h"

namespace winsim {

class PendingOperations {
public:
    void Add(const PendingFileOperation& operation) { list_.push_back(operation); }
    const std::vector<PendingFileOperation>& List() const { return list_; }
    // As NT keeps them in PendingFileRenameOperations (REG_MULTI_SZ):
    // source and target of each, each zero-terminated, and a final zero.
    std::string RegistryData() const;
    void Clear() { list_.clear(); }

private:
    std::vector<PendingFileOperation> list_;
};

}  // namespace winsim
