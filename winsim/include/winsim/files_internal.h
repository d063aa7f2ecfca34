// Helpers shared by winsim's own file calls (not for the core).
#pragma once

#include <sys/types.h>

#include <cstdint>

#include <string>

#include "winsim/handles.h"
#include "winsim/types.h"

namespace winsim {

// Windows wildcard matching ('*', '?', ignoring case; "name.*" matches "name").
bool MatchesWildcard(const char* pattern, const char* name);
// "C:\dir\name" -> "C:\dir\" and "name"; false without any separator.
bool SplitFolderAndName(const std::string& path, std::string* folder, std::string* name);
bool HostPathOf(const char* windowsPath, std::string* host);

// A kernel file handle: the host descriptor and the sharing it was opened
// with, released when the handle goes.
struct FileObject : HandleObject {
    int fd = -1;
    std::string hostPath;
    DWORD share = 0;
    DWORD access = 0;
    ~FileObject() override;
};

// Opens a file the way the runtime library does (sharing read and write,
// never delete). `oflag` and `pmode` as for _open. Returns the kernel
// handle, or nullptr with *error set to an errno value. *length is the
// file's length as the open found it, or -1 when it did not look.
HANDLE RuntimeOpen(const char* path, int oflag, int pmode, int* error, int64_t* length);

// Text-mode translation of the Microsoft runtime, at the descriptor's own
// position (*position moves on): reading turns CR LF into LF and stops at
// Ctrl+Z (setting *ended); writing turns LF into CR LF and answers the
// count of the caller's bytes. -1 on a host error.
long ReadText(int hostFd, int64_t* position, char* out, size_t count, bool* ended);
long WriteText(int hostFd, bool append, int64_t* position, const char* data, size_t count);
// Writes at the descriptor's position, or at the end for an appending
// descriptor; *position ends after the bytes written. -1 on a host error.
long WriteAt(int hostFd, bool append, int64_t* position, const void* data, size_t count);

// 8.3 names. A valid short name is kept as written; otherwise an alias is
// made from the name: invalid characters become '_', blanks and inner dots
// go, letters are upper-cased, six characters of the base (fewer for
// larger numbers), "~n", and three characters of the extension.
bool IsValidShortName(const std::string& name);
std::string ShortNameCandidate(const std::string& longName, int number);

}  // namespace winsim
