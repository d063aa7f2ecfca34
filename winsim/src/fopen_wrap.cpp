// fopen with Windows drive paths. The host build links with
// --wrap=fopen: calls to fopen land here, drive paths ("C:\...") are
// translated to their host files, and any other path goes to the C
// library unchanged (so test frameworks keep working).
#include <cerrno>
#include <cstdio>
#include <string>

#include "winsim/faults.h"
#include "winsim/machine.h"

extern "C" FILE* __real_fopen(const char* path, const char* mode);

extern "C" FILE* __wrap_fopen(const char* path, const char* mode) {
    if (path == nullptr || path[0] == '\0' || path[1] != ':') return __real_fopen(path, mode);
    std::string host;
    if (!winsim::TheMachine().files.ToHostPath(path, &host)) {
        errno = ENOENT;
        return nullptr;
    }
    if (winsim::Injected("fopen", path)) {
        errno = EACCES;
        return nullptr;
    }
    return __real_fopen(host.c_str(), mode);
}
