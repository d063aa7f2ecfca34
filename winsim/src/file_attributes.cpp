#include "file_attributes.h"

#include <sys/stat.h>

namespace winsim {

namespace {

const DWORD kArchive = 0x20u;    // FILE_ATTRIBUTE_ARCHIVE
const DWORD kDirectory = 0x10u;  // FILE_ATTRIBUTE_DIRECTORY

DWORD AsFolderOrFile(DWORD kept, bool folder) { return folder ? (kept & ~kArchive) | kDirectory : kept; }

}  // namespace

DWORD FileAttributes::Of(const std::string& hostPath) const {
    struct stat st;
    if (lstat(hostPath.c_str(), &st) != 0) return 0xFFFFFFFFu;
    auto it = kept_.find(hostPath);
    return AsFolderOrFile(it == kept_.end() ? kArchive : it->second, S_ISDIR(st.st_mode));
}

DWORD FileAttributes::OfEntry(const std::string& hostFolder, const char* name, bool folder) const {
    DWORD kept = kArchive;
    if (!kept_.empty()) {
        auto it = kept_.find(name == nullptr ? hostFolder : hostFolder + "/" + name);
        if (it != kept_.end()) kept = it->second;
    }
    return AsFolderOrFile(kept, folder);
}

void FileAttributes::Set(const std::string& hostPath, DWORD attributes) { kept_[hostPath] = attributes & ~kDirectory; }

void FileAttributes::Move(const std::string& from, const std::string& to) {
    auto it = kept_.find(from);
    if (it == kept_.end()) {
        kept_.erase(to);
        return;
    }
    DWORD kept = it->second;
    kept_.erase(it);
    kept_[to] = kept;
}

}  // namespace winsim
