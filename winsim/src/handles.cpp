#include "winsim/handles.h"

namespace winsim {

HANDLE Handles::Add(std::unique_ptr<HandleObject> object) {
    uintptr_t value = next_;
    next_ += 4;  // kernel handles are multiples of four
    table_.emplace_back(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

bool Handles::Remove(HANDLE handle) {
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    auto it = Position(value);
    if (it == table_.end() || it->first != value) return false;
    // Out of the table before it goes: an object's destructor may close
    // other handles.
    std::unique_ptr<HandleObject> object = std::move(table_[static_cast<size_t>(it - table_.begin())].second);
    table_.erase(it);
    object.reset();
    return true;
}

void Handles::Clear() {
    std::vector<Entry> closing;
    closing.swap(table_);
    closing.clear();
}

}  // namespace winsim
