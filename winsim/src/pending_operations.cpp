#include "pending_operations.h"

namespace winsim {

std::string PendingOperations::RegistryData() const {
    std::string data;
    for (const PendingFileOperation& operation : list_) {
        data += operation.source;
        data += '\0';
        data += operation.target;
        data += '\0';
    }
    data += '\0';
    return data;
}

}  // namespace winsim
