// Kernel handles: one table for every kind of object, so that CloseHandle
// and the kind checks behave the same for files, tokens, processes, ...
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <typeinfo>
#include <utility>
#include <vector>

#include "winsim/types.h"

namespace winsim {

struct HandleObject {
    virtual ~HandleObject() = default;
};

class Handles {
public:
    HANDLE Add(std::unique_ptr<HandleObject> object);
    // The object behind a handle if it is of type T, else nullptr. Every
    // kind of object is a leaf type, so its exact type answers, at less
    // cost than a cast that searches the hierarchy.
    template <typename T>
    T* Get(HANDLE handle) {
        HandleObject* object = Find(handle);
        return object != nullptr && typeid(*object) == typeid(T) ? static_cast<T*>(object) : nullptr;
    }
    // The object behind a handle, whatever its type; nullptr when none.
    HandleObject* Find(HANDLE handle) const {
        auto it = Position(reinterpret_cast<uintptr_t>(handle));
        return it == table_.end() || it->first != reinterpret_cast<uintptr_t>(handle) ? nullptr : it->second.get();
    }
    bool Remove(HANDLE handle);
    size_t OpenCount() const { return table_.size(); }
    void Clear();

private:
    // Handle values only grow, so appending keeps the table sorted; a
    // vector of the few open handles costs no allocation per open.
    using Entry = std::pair<uintptr_t, std::unique_ptr<HandleObject>>;
    std::vector<Entry>::const_iterator Position(uintptr_t value) const {
        return std::lower_bound(table_.begin(), table_.end(), value,
                                [](const Entry& entry, uintptr_t wanted) { return entry.first < wanted; });
    }
    std::vector<Entry> table_;
    uintptr_t next_ = 0x100;
};

}  // namespace winsim
