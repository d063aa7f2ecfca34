// Searches: FindFirstFileA, FindNextFileA and FindClose over folder
// listings, with Windows' wildcard matching.
#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <cstring>
#include <ctime>
#include <memory>

#include "character_steps.h"
#include "file_parts.h"

using winsim::CharacterLength;
using winsim::FileParts;
using winsim::FolderEntries;
using winsim::TheMachine;

namespace {

// "*" and "*.*" match every name (the DOS rule below lets "*.*" match
// names without a dot); the walk lists with nothing else.
bool TakesEveryName(const char* pattern) { return strcmp(pattern, "*") == 0 || strcmp(pattern, "*.*") == 0; }

// Whether the characters at `p` and `n` are the same, ignoring the case of
// single-byte letters (a double-byte character's second byte may look
// like a letter and is compared as it is). *lengthP and *lengthN: their
// bytes.
bool SameCharacter(UINT codePage, const char* p, const char* n, size_t* lengthP, size_t* lengthN) {
    *lengthP = CharacterLength(codePage, p);
    *lengthN = CharacterLength(codePage, n);
    if (*lengthP != *lengthN) return false;
    if (*lengthP == 1)
        return std::tolower(static_cast<unsigned char>(*p)) == std::tolower(static_cast<unsigned char>(*n));
    return memcmp(p, n, *lengthP) == 0;
}

// Windows wildcard matching ('*', '?' for one character, ignoring case;
// "name.*" matches "name"), by characters of the code page.
bool MatchesWildcard(const char* pattern, const char* name) {
    if (TakesEveryName(pattern)) return true;
    const UINT codePage = TheMachine().ansiCodePage;
    // Iterative '*' / '?' matching, with the DOS rule that a trailing ".*"
    // also matches a name without any extension.
    const char* p = pattern;
    const char* n = name;
    const char* starP = nullptr;
    const char* starN = nullptr;
    while (*n) {
        size_t lengthP = 0, lengthN = 0;
        if (*p == '*') {
            starP = p++;
            starN = n;
        } else if (*p == '?') {
            ++p;
            n += CharacterLength(codePage, n);
        } else if (*p != '\0' && SameCharacter(codePage, p, n, &lengthP, &lengthN)) {
            p += lengthP;
            n += lengthN;
        } else if (starP) {
            p = starP + 1;
            starN += CharacterLength(codePage, starN);
            n = starN;
        } else {
            return false;
        }
    }
    while (*p == '*') ++p;
    if (*p == '\0') return true;
    return strcmp(p, ".*") == 0 || (p[0] == '.' && p[1] == '*' && p[2] == '\0');
}

// A folder changed within the last few clock ticks could change again
// without its times moving on a coarse clock: such a folder is not kept.
bool ChangedJustNow(const struct stat& st) {
    if (TheMachine().files.listingSettleMs <= 0) return false;
    struct timespec now;
    clock_gettime(CLOCK_REALTIME_COARSE, &now);
    long long ageNs = (static_cast<long long>(now.tv_sec) - st.st_ctim.tv_sec) * 1000000000LL +
                      (now.tv_nsec - st.st_ctim.tv_nsec);
    return ageNs < TheMachine().files.listingSettleMs * 1000000LL;
}

bool IsDriveRoot(const std::string& folder) { return folder.size() == 3 && folder[1] == ':'; }

struct FolderCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

// The entries of one search: the whole listing when the pattern takes
// every name, else its own filtered copy.
struct FindObject : winsim::HandleObject {
    std::shared_ptr<FolderEntries> entries;
    size_t next = 0;
};

// Hands out the search's next entry.
void HandOut(FindObject* find, LPWIN32_FIND_DATAA data) {
    FolderEntries* entries = find->entries.get();
    if (!entries->sizeKnown[find->next])
        winsim::LookUpSize(entries, find->next, true, &winsim::Files().recent, TheMachine().files.Generation());
    *data = entries->found[find->next++];
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
    winsim::Machine& m = TheMachine();
    FileParts& files = winsim::Files();
    std::string folder, name, hostFolder;
    if (pattern == nullptr || data == nullptr || !winsim::SplitFolderAndName(pattern, &folder, &name)) {
        m.lastError = ERROR_PATH_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    // The folder listed last, listed again, costs one look at its path;
    // any other is translated and opened in one go.
    std::shared_ptr<FolderEntries> listed =
        name.empty() ? nullptr : files.recent.ListingToReuse(folder, m.files.Generation());
    std::unique_ptr<DIR, FolderCloser> dir;
    struct stat st;
    bool translated = true;
    DWORD openError = ERROR_PATH_NOT_FOUND;
    if (name.empty())
        translated = files.paths.ToHostPath(folder, &hostFolder, nullptr, &openError);
    else if (listed == nullptr)
        dir.reset(files.paths.OpenFolder(folder, &hostFolder, &st, &translated, &openError));
    if (!translated) {
        m.lastError = openError;
        return INVALID_HANDLE_VALUE;
    }
    if (winsim::Injected("FindFirstFileA", pattern)) return INVALID_HANDLE_VALUE;
    if (name.empty()) {
        m.lastError = ERROR_FILE_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    if (listed == nullptr) {
        ++m.files.foldersRead;
        if (dir == nullptr) {
            m.lastError = openError;
            return INVALID_HANDLE_VALUE;
        }
        // The times were taken before the entries are read: a change while
        // reading moves them on, and the listing is not reused. A listing
        // not kept closes its folder at once, so its sizes are read now.
        bool keep = !ChangedJustNow(st);
        listed = winsim::ReadFolder(dir.get(), hostFolder, IsDriveRoot(folder), !keep, m.ansiCodePage,
                                    files.attributes, &files.shortNames);
        if (!keep) {
            files.recent.DropListing();
        } else {
            bool spelledAsOnHost = files.recent.Remembers(folder);
            files.recent.KeepListing(folder, hostFolder, dir.release(), st, listed, m.files.Generation(),
                                     spelledAsOnHost);
        }
    }
    std::unique_ptr<FindObject> find(new FindObject);
    if (TakesEveryName(name.c_str())) {
        find->entries = listed;
    } else {
        std::shared_ptr<FolderEntries> matching = std::make_shared<FolderEntries>();
        matching->host = listed->host;
        for (size_t i = 0; i < listed->found.size(); ++i) {
            if (!MatchesWildcard(name.c_str(), listed->found[i].cFileName)) continue;
            winsim::LookUpSize(listed.get(), i, false, &files.recent, m.files.Generation());
            matching->Append(*listed, i);
        }
        find->entries = matching;
    }
    if (find->entries->found.empty()) {
        m.lastError = ERROR_FILE_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    HandOut(find.get(), data);
    return m.handles.Add(std::move(find));
}

BOOL FindNextFileA(HANDLE handle, LPWIN32_FIND_DATAA data) {
    winsim::Machine& m = TheMachine();
    FindObject* find = m.handles.Get<FindObject>(handle);
    if (find == nullptr || data == nullptr) {
        m.lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    if (winsim::Injected("FindNextFileA")) return FALSE;
    if (find->next >= find->entries->found.size()) {
        m.lastError = ERROR_NO_MORE_FILES;
        return FALSE;
    }
    HandOut(find, data);
    return TRUE;
}

BOOL FindClose(HANDLE handle) {
    winsim::Machine& m = TheMachine();
    if (m.handles.Get<FindObject>(handle) == nullptr) {
        m.lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    m.handles.Remove(handle);
    return TRUE;
}
