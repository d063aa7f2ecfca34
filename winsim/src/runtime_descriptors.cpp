#include "runtime_descriptors.h"

#include <utility>

namespace winsim {

namespace {

const int kFirst = 3;  // 0, 1 and 2 are the standard streams

}  // namespace

CrtDescriptor* RuntimeDescriptors::Add(int* fd) {
    size_t index = 0;
    while (index < slots_.size() && slots_[index]->inUse) ++index;
    if (index == slots_.size()) slots_.push_back(std::unique_ptr<Slot>(new Slot));
    Slot& slot = *slots_[index];
    std::string path = std::move(slot.descriptor.windowsPath);  // its storage serves the next path
    path.clear();
    slot.descriptor = CrtDescriptor();
    slot.descriptor.windowsPath = std::move(path);
    slot.inUse = true;
    *fd = kFirst + static_cast<int>(index);
    return &slot.descriptor;
}

CrtDescriptor* RuntimeDescriptors::Find(int fd) {
    if (fd < kFirst || static_cast<size_t>(fd - kFirst) >= slots_.size()) return nullptr;
    Slot& slot = *slots_[static_cast<size_t>(fd - kFirst)];
    return slot.inUse ? &slot.descriptor : nullptr;
}

bool RuntimeDescriptors::Remove(int fd) {
    CrtDescriptor* descriptor = Find(fd);
    if (descriptor == nullptr) return false;
    slots_[static_cast<size_t>(fd - kFirst)]->inUse = false;
    descriptor->handle = nullptr;
    descriptor->file = nullptr;
    return true;
}

size_t RuntimeDescriptors::Count() const {
    size_t count = 0;
    for (const std::unique_ptr<Slot>& slot : slots_)
        if (slot->inUse) ++count;
    return count;
}

}  // namespace winsim
