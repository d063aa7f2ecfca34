// Folder names as the "A" calls spell them in the ANSI code page. A name
// the code page holds is listed in its bytes and opens by them; one it
// cannot hold is listed with '?' for each such character (and so can be
// neither listed nor opened by that name), and its 8.3 alias, given in
// cAlternateFileName, lists and opens. The names are made with
// CreateDirectoryW, the only way to make them from a program of the code
// page; WideCharToMultiByte says how the code page spells them.
//
// Where the code page lacks a character, Windows and Wine may write a
// "best fit" instead of '?' (932 spells é as 'e'), and such a name opens
// by neither spelling; winsim always writes '?'. So the name in Latin
// letters is checked only under 1252, which holds it.
#include <cstdio>
#include <cstring>
#include <string>

#include "conformance.h"
#include "ok.h"
#include "platform/win32.h"

namespace {

unsigned long Error() { return static_cast<unsigned long>(GetLastError()); }

std::string Hex(const std::string& bytes) {
    std::string text;
    char byte[4];
    for (unsigned char c : bytes) {
        snprintf(byte, sizeof byte, "%02X ", c);
        text += byte;
    }
    return text;
}

// The root's entry whose listed name is `listed`; false when none is.
bool FindListed(const std::string& root, const std::string& listed, WIN32_FIND_DATAA* found) {
    HANDLE find = FindFirstFileA((root + "*").c_str(), found);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool seen = false;
    do seen = listed == found->cFileName;
    while (!seen && FindNextFileA(find, found));
    FindClose(find);
    return seen;
}

void CheckFolder(const std::string& root, const WCHAR* name, size_t length, const char* label) {
    WCHAR path[MAX_PATH];
    size_t at = 0;
    for (const char* c = root.c_str(); *c != '\0'; ++c) path[at++] = static_cast<unsigned char>(*c);
    for (size_t i = 0; i < length; ++i) path[at++] = name[i];
    path[at] = 0;
    bool created = CreateDirectoryW(path, nullptr) != FALSE;
    ok(created, "%s: CreateDirectoryW failed, error %lu", label, Error());
    if (!created) return;

    char spelt[MAX_PATH];
    BOOL lost = FALSE;
    int count = WideCharToMultiByte(CP_ACP, 0, path + root.size(), -1, spelt, sizeof spelt, nullptr, &lost);
    ok(count > 0, "%s: WideCharToMultiByte failed, error %lu", label, Error());
    WIN32_FIND_DATAA found;
    memset(&found, 0xbd, sizeof found);
    bool listed = FindListed(root, spelt, &found);
    ok(listed, "%s: not listed as [%s]", label, Hex(spelt).c_str());
    if (!listed) return;

    std::string use = spelt;
    if (lost) {
        ok(strchr(found.cFileName, '?') != nullptr, "%s: listed without '?' as [%s]", label,
           Hex(found.cFileName).c_str());
        size_t aliasLength = strnlen(found.cAlternateFileName, sizeof found.cAlternateFileName);
        bool aliased = aliasLength > 0 && aliasLength < sizeof found.cAlternateFileName;
        ok(aliased, "%s: no 8.3 alias", label);
        if (!aliased) return;
        use = found.cAlternateFileName;
        for (unsigned char c : use) ok(c > ' ' && c < 0x7F, "%s: alias %s holds byte %02X", label, use.c_str(), c);
        WIN32_FIND_DATAA inside;
        SetLastError(0xdeadbeef);
        HANDLE find = FindFirstFileA((root + spelt + "\\*").c_str(), &inside);
        ok(find == INVALID_HANDLE_VALUE, "%s: the name with '?' lists", label);
        if (find != INVALID_HANDLE_VALUE) FindClose(find);
        SetLastError(0xdeadbeef);
        HANDLE file = CreateFileA((root + spelt + "\\x.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                                  nullptr);
        ok(file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_NAME,
           "%s: a file below the name with '?' made, or error %lu", label, Error());
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }

    // By the name that opens: a file made, listed, deleted, and the folder removed.
    std::string file = root + use + "\\x.txt";
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ok(handle != INVALID_HANDLE_VALUE, "%s: %s not made, error %lu", label, file.c_str(), Error());
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    WIN32_FIND_DATAA inside;
    HANDLE find = FindFirstFileA((root + use + "\\x.*").c_str(), &inside);
    ok(find != INVALID_HANDLE_VALUE && strcmp(inside.cFileName, "x.txt") == 0, "%s: %s does not list, error %lu",
       label, use.c_str(), Error());
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    ok(DeleteFileA(file.c_str()), "%s: DeleteFileA(%s) error %lu", label, file.c_str(), Error());
    ok(RemoveDirectoryA((root + use).c_str()), "%s: RemoveDirectoryA error %lu", label, Error());
}

}  // namespace

void TestCodePageNames(const char* root) {
    const WCHAR greek[] = {0x0395, 0x03BB, 0x03BB, 0x03B7, 0x03BD, 0x03B9, 0x03BA, 0x03AC};  // Ελληνικά
    const WCHAR japanese[] = {0x30BD, 0x30D5, 0x30C8};  // ソフト: 83 5C 83 74 83 67 in 932
    const WCHAR latin[] = {'c', 'a', 'f', 0x00E9};      // café
    CheckFolder(root, greek, sizeof greek / sizeof greek[0], "Greek");
    CheckFolder(root, japanese, sizeof japanese / sizeof japanese[0], "Japanese");
    if (GetACP() == 1252) CheckFolder(root, latin, sizeof latin / sizeof latin[0], "Latin");
}
