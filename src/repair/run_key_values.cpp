// The walk over one startup key: every value whose command starts the
// infected file under inspection is deleted.
#include "repair/run_key_values.h"

#include <cstring>

#include "common/ansi_text.h"
#include "common/report.h"
#include "common/shared_state.h"
#include "repair/registry_primitives.h"

namespace {

// The walk's lines name the family, whatever variant was detected.
const char kRunValueReportName[] = "W32/Gorvex.Trojan";
const DWORD kValueNameCapacity = 0x3FFF;
const DWORD kValueDataSize = 261;

// Skips the opening double quote of a quoted command.
const char* CommandCandidate(const char* text) { return text[0] == '"' ? text + 1 : text; }

// A value name that does not fit StartupValueName is not remembered: a
// cut name could later delete some other value by the same first 127
// characters.
void RememberStartupValue(const char* valueName) {
    if (strlen(valueName) < sizeof StartupValueName) CopyText(StartupValueName, sizeof StartupValueName, valueName);
}

void ReportRemovedValue() {
    if (MainWindowHandle != nullptr) EmitFormattedReportLine("System Registry     %s removed", kRunValueReportName);
}

// The value's data and its expansion, lower-cased. 0 when the value
// cannot be read or expanded.
int ReadCommand(HKEY root, const char* keyPath, const char* valueName, char* data, char* expanded) {
    if (!ReadRegistryValue(root, keyPath, valueName, data, kValueDataSize)) return 0;
    CopyLowerCase(data, kValueDataSize, data);
    // Cleared first and terminated after: an expansion too long for the
    // buffer leaves only what the system wrote of it, never an earlier
    // value's text.
    memset(expanded, 0, kValueDataSize);
    if (ExpandEnvironmentStringsA(data, expanded, kValueDataSize) == 0) return 0;
    expanded[kValueDataSize - 1] = '\0';
    CopyLowerCase(expanded, kValueDataSize, expanded);
    return 1;
}

}  // namespace

void CleanRunKeyValues(HKEY root, const char* keyPath) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD valueCount = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &valueCount, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        valueCount = 0;

    // The infected file's path, lower-cased by characters into a copy of
    // our own: folding the second byte of a double-byte character would
    // make it another character, and the shared path stays as the
    // inspection left it.
    char path[sizeof CurrentFilePath];
    CopyLowerCase(path, sizeof path, CurrentFilePath);
    const char* lastSlash = FindLastOf(path, "\\");
    const char* fileName = lastSlash ? lastSlash + 1 : nullptr;
    // A bare file name is only trusted for files in the system folders.
    bool inSystemFolder = FindInText(path, "\\system\\") != nullptr || FindInText(path, "\\system32\\") != nullptr;
    size_t pathLength = strlen(path);

    char valueName[kValueNameCapacity + 1];
    char data[kValueDataSize];
    char expanded[kValueDataSize];
    DWORD deleted = 0;
    for (DWORD i = 0; i < valueCount; ++i) {
        // Each deletion moves the later values down one index.
        valueName[0] = '\0';
        DWORD nameLength = kValueNameCapacity;
        if (RegEnumValueA(key, i - deleted, valueName, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            continue;
        if (fileName == nullptr) break;
        if (!ReadCommand(root, keyPath, valueName, data, expanded)) continue;

        bool bare = FindFirstOf(data, "\\") == nullptr || data[0] == '\\';
        if (bare && fileName[0] != '\0' && FindInText(data, fileName) != nullptr) {
            if (inSystemFolder && DeleteRegistryValue(root, keyPath, valueName)) {
                RememberStartupValue(valueName);
                ++deleted;
                ReportRemovedValue();
            }
            continue;
        }
        if (strncmp(CommandCandidate(data), path, pathLength) != 0 &&
            strncmp(CommandCandidate(expanded), path, pathLength) != 0)
            continue;
        RememberStartupValue(valueName);
        if (DeleteRegistryValue(root, keyPath, valueName)) {
            ReportRemovedValue();
            ++deleted;
        }
    }
    RegCloseKey(key);
}
