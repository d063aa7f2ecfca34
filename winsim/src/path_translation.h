// Drive letters and the translation of Windows paths ("C:\dir\file") to
// host paths: the only place that knows about '/'. Components are matched
// ignoring case, or by their 8.3 alias; no path through a host link is
// ever translated.
#pragma once

#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <string>

#include "winsim/filesystem.h"
#include "winsim/types.h"

namespace winsim {

class RecentFolder;
class ShortNames;
struct ListedFile;

class PathTranslation {
public:
    // `generation`: the machine's change count, which says whether the
    // recent folder's listing may still answer.
    PathTranslation(RecentFolder* recent, ShortNames* shortNames, const uint64_t* generation)
        : recent_(recent), shortNames_(shortNames), generation_(generation) {}

    void MapDrive(char letter, const std::string& hostRoot, UINT type);
    void SetDriveType(char letter, UINT type);
    const Drive& DriveOf(char letter) const;
    void Clear();

    // Windows path -> host path. Existing components are matched ignoring
    // case, or by their 8.3 alias; the rest are kept as written. False when
    // the path is not an absolute drive path of a mapped drive, or names
    // something no Windows name can be, or leads through a host link.
    // *listed (when given): filled when the path was translated from the
    // kept listing. *error (when given): why it was not translated,
    // ERROR_INVALID_NAME for a name no Windows name can be (as Windows
    // answers for a name listed with '?'), else ERROR_PATH_NOT_FOUND.
    bool ToHostPath(const std::string& windowsPath, std::string* hostPath, ListedFile* listed = nullptr,
                    DWORD* error = nullptr) const;

    // Translates a folder path and opens the host folder for reading. A
    // path spelt as on the host costs one walk of it, which meets no link
    // anywhere on the way; any other is translated component by component
    // first. *translated: whether the path translates at all (as
    // ToHostPath); nullptr with *error when the folder is not opened
    // (ERROR_PATH_NOT_FOUND, ERROR_INVALID_NAME or ERROR_ACCESS_DENIED).
    // *folderStat describes the folder opened.
    DIR* OpenFolder(const std::string& windowsFolder, std::string* hostFolder, struct stat* folderStat,
                    bool* translated, DWORD* error) const;

private:
    enum class Outcome { kNotHere, kTranslated, kInvalidName, kRefused };
    Outcome TranslateInRecentFolder(const std::string& windowsPath, UINT codePage, std::string* hostPath,
                                    ListedFile* listed) const;
    void RememberFolder(const std::string& windowsFolder, const std::string& hostFolder,
                        const struct stat* known) const;

    RecentFolder* recent_;
    ShortNames* shortNames_;
    const uint64_t* generation_;
    Drive drives_[26];
};

// The machine's translation of a Windows path (false for nullptr), with
// the error a Win32 call answers when there is none.
bool HostPathOf(const char* windowsPath, std::string* host, DWORD* error = nullptr);
// "C:\dir\name" -> "C:\dir\" and "name"; false without any separator.
bool SplitFolderAndName(const std::string& path, std::string* folder, std::string* name);

}  // namespace winsim
