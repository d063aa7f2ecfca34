// Kernel handles: one table for every kind of object, so that CloseHandle
// and the kind checks behave the same for files, tokens, processes, ...
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "winsim/types.h"

namespace winsim {

struct HandleObject {
    virtual ~HandleObject() = default;
};

class Handles {
public:
    HANDLE Add(std::unique_ptr<HandleObject> object);
    // The object behind a handle if it is of type T, else nullptr.
    template <typename T>
    T* Get(HANDLE handle) {
        auto it = table_.find(reinterpret_cast<uintptr_t>(handle));
        if (it == table_.end()) return nullptr;
        return dynamic_cast<T*>(it->second.get());
    }
    // The object behind a handle, whatever its type; nullptr when none.
    HandleObject* Find(HANDLE handle) const {
        auto it = table_.find(reinterpret_cast<uintptr_t>(handle));
        return it == table_.end() ? nullptr : it->second.get();
    }
    bool Remove(HANDLE handle);
    size_t OpenCount() const { return table_.size(); }
    void Clear() { table_.clear(); }

private:
    std::map<uintptr_t, std::unique_ptr<HandleObject>> table_;
    uintptr_t next_ = 0x100;
};

}  // namespace winsim
