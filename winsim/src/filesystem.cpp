// The machine's files as tests and tools see them: each call handed to
// the part that does the job, and the test conveniences over Windows
// paths.
#include "winsim/filesystem.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "file_parts.h"

namespace winsim {

FileSystem::FileSystem() : parts_(new FileParts(&generation_)) {}

FileSystem::~FileSystem() = default;

void FileSystem::MapDrive(char letter, const std::string& hostRoot, UINT type) {
    NoteChange();
    parts_->paths.MapDrive(letter, hostRoot, type);
}

void FileSystem::SetDriveType(char letter, UINT type) { parts_->paths.SetDriveType(letter, type); }

const Drive& FileSystem::DriveOf(char letter) const { return parts_->paths.DriveOf(letter); }

bool FileSystem::ToHostPath(const std::string& windowsPath, std::string* hostPath) const {
    return parts_->paths.ToHostPath(windowsPath, hostPath);
}

bool FileSystem::WriteFile(const std::string& windowsPath, const std::string& contents) {
    NoteChange();
    std::string host;
    if (!ToHostPath(windowsPath, &host)) return false;
    std::ofstream out(host, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    return static_cast<bool>(out);
}

bool FileSystem::ReadFile(const std::string& windowsPath, std::string* contents) const {
    std::string host;
    if (!ToHostPath(windowsPath, &host)) return false;
    std::ifstream in(host, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    *contents = buffer.str();
    return true;
}

bool FileSystem::Exists(const std::string& windowsPath) const {
    std::string host;
    struct stat st;
    return ToHostPath(windowsPath, &host) && lstat(host.c_str(), &st) == 0;
}

bool FileSystem::MakeDirectory(const std::string& windowsPath) {
    NoteChange();
    std::string host;
    if (!ToHostPath(windowsPath, &host)) return false;
    // Create every missing level, like `mkdir -p`.
    for (size_t i = 1; i <= host.size(); ++i) {
        if (i == host.size() || host[i] == '/') {
            std::string level = host.substr(0, i);
            mkdir(level.c_str(), 0755);
        }
    }
    struct stat st;
    return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

DWORD FileSystem::Attributes(const std::string& hostPath) const { return parts_->attributes.Of(hostPath); }

void FileSystem::SetAttributes(const std::string& hostPath, DWORD attributes) {
    NoteChange();
    parts_->attributes.Set(hostPath, attributes);
}

void FileSystem::NoteMoved(const std::string& fromHostPath, const std::string& toHostPath) {
    parts_->attributes.Move(fromHostPath, toHostPath);
    parts_->shortNames.NoteGone(fromHostPath);
}

void FileSystem::NoteRemoved(const std::string& hostPath) {
    NoteChange();
    parts_->attributes.Forget(hostPath);
    parts_->shortNames.NoteGone(hostPath);
}

bool FileSystem::MayOpen(const std::string& hostPath, DWORD access, DWORD share) const {
    return parts_->sharing.MayOpen(hostPath, access, share);
}

void FileSystem::NoteOpen(const std::string& hostPath, DWORD share, DWORD access) {
    parts_->sharing.NoteOpen(hostPath, share, access);
}

void FileSystem::ReleaseOpen(const std::string& hostPath, DWORD share, DWORD access) {
    parts_->sharing.ReleaseOpen(hostPath, share, access);
}

size_t FileSystem::OpenCount(const std::string& hostPath) const { return parts_->sharing.OpenCount(hostPath); }

void FileSystem::AddPendingOperation(const PendingFileOperation& operation) { parts_->pending.Add(operation); }

const std::vector<PendingFileOperation>& FileSystem::PendingOperations() const { return parts_->pending.List(); }

std::string FileSystem::PendingFileRenameOperationsData() const { return parts_->pending.RegistryData(); }

size_t FileSystem::DescriptorCount() const { return parts_->descriptors.Count(); }

void FileSystem::Clear() {
    NoteChange();
    listingSettleMs = 50;
    foldersRead = 0;
    parts_->paths.Clear();  // forgets the recent folder too
    parts_->shortNames.Clear();
    parts_->attributes.Clear();
    parts_->sharing.Clear();
    parts_->descriptors.Clear();  // their handles go with the machine's handle table
    parts_->pending.Clear();
    windowsDirectory = "C:\\WINDOWS";
    tempPath = "C:\\WINDOWS\\TEMP\\";
}

}  // namespace winsim
