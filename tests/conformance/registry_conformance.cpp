// Registry, environment strings and the system folder: what the repair
// relies on, checked the same way on winsim and on Wine. Everything lives
// below one scratch key of HKEY_LOCAL_MACHINE and is removed at the end.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "conformance.h"
#include "ok.h"
#include "platform/win32.h"

namespace {

const char kScratch[] = "Software\\BruvaneConformance";

unsigned long U(DWORD value) { return static_cast<unsigned long>(value); }

bool SameIgnoringCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (tolower(static_cast<unsigned char>(*a)) != tolower(static_cast<unsigned char>(*b))) return false;
    return *a == *b;
}

HKEY CreateScratchKeyAt(const char* callerFile, int callerLine, const std::string& path) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &key, &disposition);
    ok_(callerFile, callerLine)(result == ERROR_SUCCESS, "RegCreateKeyExA(%s) answered %ld", path.c_str(),
                                static_cast<long>(result));
    return result == ERROR_SUCCESS ? key : nullptr;
}
#define CreateScratchKey(...) CreateScratchKeyAt(__FILE__, __LINE__, __VA_ARGS__)

void SetTextAt(const char* callerFile, int callerLine, HKEY key, const char* name, const char* text) {
    LONG result = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                 static_cast<DWORD>(strlen(text) + 1));
    ok_(callerFile, callerLine)(result == ERROR_SUCCESS, "RegSetValueExA(%s) answered %ld", name,
                                static_cast<long>(result));
}
#define SetText(...) SetTextAt(__FILE__, __LINE__, __VA_ARGS__)

std::string EnumNameAt(const char* callerFile, int callerLine, HKEY key, DWORD index, LONG* result) {
    char name[64];
    memset(name, 0xbd, sizeof name);
    DWORD length = sizeof name;
    *result = RegEnumValueA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (*result != ERROR_SUCCESS) return std::string();
    ok_(callerFile, callerLine)(length == strlen(name), "name length %lu for %s", U(length), name);
    return name;
}
#define EnumName(...) EnumNameAt(__FILE__, __LINE__, __VA_ARGS__)

}  // namespace

void TestRegistryEnumeration() {
    std::string path = std::string(kScratch) + "\\Enum";
    HKEY key = CreateScratchKey(path);
    if (key == nullptr) return;
    // Created in name order, so that Windows (creation order) and Wine
    // (name order) enumerate them alike.
    const char* names[] = {"A1", "B2", "C3", "D4", "E5"};
    for (const char* name : names) SetText(key, name, "data");

    DWORD values = 0xdeadbeef;
    DWORD longestName = 0xdeadbeef;
    DWORD longestData = 0xdeadbeef;
    DWORD subKeys = 0xdeadbeef;
    LONG result = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values,
                                   &longestName, &longestData, nullptr, nullptr);
    ok(result == ERROR_SUCCESS, "RegQueryInfoKeyA answered %ld", static_cast<long>(result));
    ok(values == 5 && subKeys == 0, "counted %lu values, %lu subkeys", U(values), U(subKeys));
    // The longest data counts the UTF-16 form Windows stores text in.
    ok(longestName == 2 && longestData == 10, "longest name %lu, longest data %lu", U(longestName), U(longestData));

    for (DWORD i = 0; i < 5; ++i) {
        std::string name = EnumName(key, i, &result);
        ok(result == ERROR_SUCCESS && name == names[i], "index %lu gave %s (%ld)", U(i), name.c_str(),
           static_cast<long>(result));
    }
    EnumName(key, 5, &result);
    ok(result == ERROR_NO_MORE_ITEMS, "index past the end answered %ld", static_cast<long>(result));

    // A name buffer one short of the terminator.
    char shortName[2];
    DWORD shortLength = sizeof shortName;
    result = RegEnumValueA(key, 0, shortName, &shortLength, nullptr, nullptr, nullptr, nullptr);
    ok(result == ERROR_MORE_DATA, "short name buffer answered %ld", static_cast<long>(result));

    // Names ignore case.
    DWORD size = 0;
    result = RegQueryValueExA(key, "c3", nullptr, nullptr, nullptr, &size);
    ok(result == ERROR_SUCCESS && size == 5, "lower-case lookup answered %ld, size %lu", static_cast<long>(result),
       U(size));

    // After a deletion the later values move down one index.
    ok(RegDeleteValueA(key, "B2") == ERROR_SUCCESS, "RegDeleteValueA(B2) failed");
    std::string atOne = EnumName(key, 1, &result);
    ok(result == ERROR_SUCCESS && atOne == "C3", "index 1 after deletion gave %s", atOne.c_str());
    EnumName(key, 4, &result);
    ok(result == ERROR_NO_MORE_ITEMS, "old last index answered %ld", static_cast<long>(result));

    // The walk the repair makes: indices from a count taken once, lowered
    // by the deletions so far, deleting two neighbours in a row.
    DWORD count = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                     nullptr);
    std::string seen;
    DWORD deleted = 0;
    for (DWORD i = 0; i < count; ++i) {
        std::string name = EnumName(key, i - deleted, &result);
        if (result != ERROR_SUCCESS) continue;
        seen += name + " ";
        if (name == "C3" || name == "D4") {
            ok(RegDeleteValueA(key, name.c_str()) == ERROR_SUCCESS, "deleting %s failed", name.c_str());
            ++deleted;
        }
    }
    ok(seen == "A1 C3 D4 E5 ", "the walk saw %s", seen.c_str());

    // A key opened for reading refuses deletions.
    HKEY reader = nullptr;
    ok(RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &reader) == ERROR_SUCCESS, "read open failed");
    if (reader != nullptr) {
        result = RegDeleteValueA(reader, "A1");
        ok(result == ERROR_ACCESS_DENIED, "deletion through a read handle answered %ld", static_cast<long>(result));
        ok(RegCloseKey(reader) == ERROR_SUCCESS, "RegCloseKey failed");
    }
    for (const char* name : {"A1", "E5"}) ok(RegDeleteValueA(key, name) == ERROR_SUCCESS, "cleanup of %s", name);
    result = RegDeleteValueA(key, "A1");
    ok(result == ERROR_FILE_NOT_FOUND, "deleting a missing value answered %ld", static_cast<long>(result));
    EnumName(key, 0, &result);
    ok(result == ERROR_NO_MORE_ITEMS, "empty key enumerated, %ld", static_cast<long>(result));
    RegCloseKey(key);
    ok(RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str()) == ERROR_SUCCESS, "RegDeleteKeyA(Enum) failed");
}

void TestRegistryDeleteKey() {
    std::string parent = std::string(kScratch) + "\\Service";
    std::string child = parent + "\\Enum";
    HKEY key = CreateScratchKey(child);
    if (key == nullptr) return;
    RegCloseKey(key);

    LONG result = RegDeleteKeyA(HKEY_LOCAL_MACHINE, parent.c_str());
    ok(result == ERROR_ACCESS_DENIED, "deleting a key with a subkey answered %ld", static_cast<long>(result));
    HKEY probe = nullptr;
    ok(RegOpenKeyExA(HKEY_LOCAL_MACHINE, child.c_str(), 0, KEY_READ, &probe) == ERROR_SUCCESS,
       "the subkey went with the refused deletion");
    if (probe) RegCloseKey(probe);

    ok(RegDeleteKeyA(HKEY_LOCAL_MACHINE, child.c_str()) == ERROR_SUCCESS, "deleting the subkey failed");
    ok(RegDeleteKeyA(HKEY_LOCAL_MACHINE, parent.c_str()) == ERROR_SUCCESS, "deleting the emptied key failed");
    result = RegDeleteKeyA(HKEY_LOCAL_MACHINE, parent.c_str());
    ok(result == ERROR_FILE_NOT_FOUND, "deleting a missing key answered %ld", static_cast<long>(result));
    probe = reinterpret_cast<HKEY>(static_cast<intptr_t>(0x1234));
    result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, parent.c_str(), 0, KEY_READ, &probe);
    ok(result == ERROR_FILE_NOT_FOUND, "opening a deleted key answered %ld", static_cast<long>(result));
}

void TestRegistryQuerySize() {
    std::string path = std::string(kScratch) + "\\Query";
    HKEY key = CreateScratchKey(path);
    if (key == nullptr) return;
    SetText(key, "Text", "hello");
    const BYTE raw[4] = {'a', 'b', 'c', 'd'};
    ok(RegSetValueExA(key, "Raw", 0, REG_BINARY, raw, sizeof raw) == ERROR_SUCCESS, "binary value not set");
    RegCloseKey(key);

    HKEY reader = nullptr;
    ok(RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &reader) == ERROR_SUCCESS, "read open failed");
    if (reader == nullptr) return;

    DWORD type = 0xdeadbeef;
    DWORD size = 0xdeadbeef;
    LONG result = RegQueryValueExA(reader, "Text", nullptr, &type, nullptr, &size);
    ok(result == ERROR_SUCCESS, "size query answered %ld", static_cast<long>(result));
    ok(type == REG_SZ && size == 6, "size query gave type %lu, size %lu", U(type), U(size));

    BYTE buffer[16];
    memset(buffer, 0xbd, sizeof buffer);
    size = 3;
    result = RegQueryValueExA(reader, "Text", nullptr, &type, buffer, &size);
    ok(result == ERROR_MORE_DATA && size == 6, "small buffer answered %ld, size %lu", static_cast<long>(result),
       U(size));
    bool untouched = true;
    for (size_t i = 3; i < sizeof buffer; ++i) untouched = untouched && buffer[i] == 0xbd;
    ok(untouched, "bytes after the small buffer were written");

    size = sizeof buffer;
    result = RegQueryValueExA(reader, "Text", nullptr, &type, buffer, &size);
    ok(result == ERROR_SUCCESS && size == 6 && strcmp(reinterpret_cast<char*>(buffer), "hello") == 0,
       "full read answered %ld, size %lu", static_cast<long>(result), U(size));

    memset(buffer, 0xbd, sizeof buffer);
    size = sizeof buffer;
    result = RegQueryValueExA(reader, "Raw", nullptr, &type, buffer, &size);
    ok(result == ERROR_SUCCESS && type == REG_BINARY && size == 4 && memcmp(buffer, raw, 4) == 0 &&
           buffer[4] == 0xbd,
       "binary read answered %ld, type %lu, size %lu", static_cast<long>(result), U(type), U(size));

    size = sizeof buffer;
    result = RegQueryValueExA(reader, "Absent", nullptr, &type, buffer, &size);
    ok(result == ERROR_FILE_NOT_FOUND, "missing value answered %ld", static_cast<long>(result));

    result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &key);
    ok(result == ERROR_SUCCESS, "full-access open answered %ld", static_cast<long>(result));
    if (result == ERROR_SUCCESS) {
        RegDeleteValueA(key, "Text");
        RegDeleteValueA(key, "Raw");
        RegCloseKey(key);
    }
    ok(RegCloseKey(reader) == ERROR_SUCCESS, "RegCloseKey failed");
    ok(RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str()) == ERROR_SUCCESS, "RegDeleteKeyA(Query) failed");

    // The performance data opens and closes like a key.
    HKEY performance = nullptr;
    result = RegOpenKeyExA(HKEY_PERFORMANCE_DATA, nullptr, 0, KEY_READ, &performance);
    ok(result == ERROR_SUCCESS, "opening the performance data answered %ld", static_cast<long>(result));
    if (result == ERROR_SUCCESS) ok(RegCloseKey(performance) == ERROR_SUCCESS, "closing the performance data failed");

    ok(RegDeleteKeyA(HKEY_LOCAL_MACHINE, kScratch) == ERROR_SUCCESS, "RegDeleteKeyA(scratch) failed");
}

void TestExpandEnvironment() {
    char buffer[261];
    memset(buffer, 0xbd, sizeof buffer);
    DWORD answer = ExpandEnvironmentStringsA("%SystemRoot%\\system32\\x.exe", buffer, sizeof buffer);
    ok(answer == strlen(buffer) + 1, "answer %lu for %s", U(answer), buffer);
    ok(SameIgnoringCase(buffer, "C:\\WINDOWS\\system32\\x.exe"), "%%SystemRoot%% gave %s", buffer);

    memset(buffer, 0xbd, sizeof buffer);
    answer = ExpandEnvironmentStringsA("%WINDIR%\\a.exe -x", buffer, sizeof buffer);
    ok(answer == strlen(buffer) + 1 && SameIgnoringCase(buffer, "C:\\WINDOWS\\a.exe -x"), "%%windir%% gave %s (%lu)",
       buffer, U(answer));

    answer = ExpandEnvironmentStringsA("plain", buffer, sizeof buffer);
    ok(answer == 6 && strcmp(buffer, "plain") == 0, "plain text answered %lu", U(answer));

    answer = ExpandEnvironmentStringsA("%BRUVANE_NOT_SET%\\y", buffer, sizeof buffer);
    ok(answer == 20 && strcmp(buffer, "%BRUVANE_NOT_SET%\\y") == 0, "undefined variable gave %s (%lu)", buffer,
       U(answer));

    // An undefined name is kept with both its "%", and the scan goes on after it.
    answer = ExpandEnvironmentStringsA("%BRUVANE_NOT_SET%windir%", buffer, sizeof buffer);
    ok(strcmp(buffer, "%BRUVANE_NOT_SET%windir%") == 0, "undefined then text gave %s", buffer);

    // Exactly the size needed is enough.
    char exact[7];
    answer = ExpandEnvironmentStringsA("plain", exact, sizeof exact - 1);
    ok(answer == 6 && strcmp(exact, "plain") == 0, "exact buffer answered %lu", U(answer));

    // Too small: the size needed, with the terminator.
    char small[4];
    answer = ExpandEnvironmentStringsA("%windir%\\abc", small, sizeof small);
    ok(answer == strlen("C:\\WINDOWS\\abc") + 1, "small buffer answered %lu", U(answer));

    char folder[261];
    UINT length = GetSystemDirectoryA(folder, sizeof folder);
    ok(length == strlen(folder) && SameIgnoringCase(folder, "C:\\WINDOWS\\system32"), "system folder %s (%u)", folder,
       length);
    char tiny[4];
    UINT needed = GetSystemDirectoryA(tiny, sizeof tiny);
    ok(needed == length + 1, "small buffer for the system folder answered %u", needed);
}
