#include "winsim/handles.h"

namespace winsim {

HANDLE Handles::Add(std::unique_ptr<HandleObject> object) {
    uintptr_t value = next_;
    next_ += 4;  // kernel handles are multiples of four
    table_[value] = std::move(object);
    return reinterpret_cast<HANDLE>(value);
}

bool Handles::Remove(HANDLE handle) { return table_.erase(reinterpret_cast<uintptr_t>(handle)) == 1; }

}  // namespace winsim
