#include "open_sharing.h"

#include <unistd.h>

#include "file_parts.h"

namespace winsim {

namespace {

const DWORD kRead = 0x80000000u, kWrite = 0x40000000u;  // GENERIC_READ, GENERIC_WRITE
const DWORD kShareRead = 1, kShareWrite = 2, kShareDelete = 4;

}  // namespace

bool OpenSharing::MayOpen(const std::string& hostPath, DWORD access, DWORD share) const {
    for (const Held& held : held_) {
        if (!held.inUse || held.hostPath != hostPath) continue;
        if ((access & kRead) && !(held.share & kShareRead)) return false;
        if ((access & kWrite) && !(held.share & kShareWrite)) return false;
        if ((held.access & kRead) && !(share & kShareRead)) return false;
        if ((held.access & kWrite) && !(share & kShareWrite)) return false;
    }
    return true;
}

void OpenSharing::NoteOpen(const std::string& hostPath, DWORD share, DWORD access) {
    Held* entry = nullptr;
    for (Held& candidate : held_) {
        if (!candidate.inUse) {
            entry = &candidate;
            break;
        }
    }
    if (entry == nullptr) {
        held_.emplace_back();
        entry = &held_.back();
    }
    entry->inUse = true;
    entry->hostPath.assign(hostPath);
    entry->share = share;
    entry->access = access;
}

void OpenSharing::ReleaseOpen(const std::string& hostPath, DWORD share, DWORD access) {
    for (Held& held : held_) {
        if (held.inUse && held.share == share && held.access == access && held.hostPath == hostPath) {
            held.inUse = false;
            return;
        }
    }
}

bool OpenSharing::HeldWithoutDeleteSharing(const std::string& hostPath) const {
    for (const Held& held : held_)
        if (held.inUse && !(held.share & kShareDelete) && held.hostPath == hostPath) return true;
    return false;
}

size_t OpenSharing::OpenCount(const std::string& hostPath) const {
    size_t count = 0;
    for (const Held& held : held_)
        if (held.inUse && held.hostPath == hostPath) ++count;
    return count;
}

FileObject::~FileObject() {
    if (fd >= 0) close(fd);
    Files().sharing.ReleaseOpen(hostPath, share, access);
}

}  // namespace winsim
