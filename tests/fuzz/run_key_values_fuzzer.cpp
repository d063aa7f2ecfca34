// CleanRunKeyValues over arbitrary value names (up to past the 16383
// characters the walk offers), types and data, an arbitrary infected path
// and an arbitrary %windir%. Checked: every text stays terminated inside
// its buffer, no key handle stays open, only values that name the file
// are deleted, every deletion gives one report line, the remembered name
// is one of the values, and the values left keep their data.
#include <cctype>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>

#include "common/shared_state.h"
#include "fuzz_world.h"
#include "repair/run_key_values.h"
#include "winsim/machine.h"

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const size_t kMaxValues = 24;

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string UpToZero(const std::string& bytes) { return bytes.substr(0, bytes.find('\0')); }

struct StoredValue {
    DWORD type;
    std::string data;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ResetWorld();
    winsim::Machine& machine = winsim::TheMachine();
    fuzz::ByteReader input(data, size);

    CopyText(CurrentFilePath, sizeof CurrentFilePath, input.Text(300).c_str());
    machine.environment.Set("windir", input.Text(300));
    std::map<std::string, StoredValue> before;  // by lower-cased name: names ignore case
    std::map<std::string, std::string> spelled;
    machine.registry.CreateKey(HKEY_LOCAL_MACHINE, kRunKey);
    while (input.Left() > 0 && before.size() < kMaxValues) {
        DWORD type = input.Byte() % 12;
        std::string name = input.Text(input.Byte() == 0xFF ? 17000 : 300);
        std::string bytes = input.Bytes(input.Word() % 1024);  // a terminator or none, zeros inside
        machine.registry.SetValue(HKEY_LOCAL_MACHINE, kRunKey, name, type, bytes);
        before[Lower(name)] = {type, bytes};
        spelled[Lower(name)] = name;
    }
    std::string path = Lower(CurrentFilePath);
    size_t slash = path.rfind('\\');
    std::string fileName = slash == std::string::npos ? std::string() : path.substr(slash + 1);

    CleanRunKeyValues(HKEY_LOCAL_MACHINE, kRunKey);

    fuzz::Check(strnlen(CurrentFilePath, sizeof CurrentFilePath) < sizeof CurrentFilePath, "path not terminated");
    fuzz::Check(strnlen(StartupValueName, sizeof StartupValueName) < sizeof StartupValueName,
                "remembered name not terminated");
    fuzz::Check(machine.registry.OpenKeyCount() == 0, "a key handle was left open");
    if (StartupValueName[0] != '\0')
        fuzz::Check(before.count(Lower(StartupValueName)) == 1, "remembered name is no value of the key");

    size_t deleted = 0;
    for (const auto& entry : before) {
        std::string bytes;
        DWORD type = 0;
        if (machine.registry.GetValue(HKEY_LOCAL_MACHINE, kRunKey, spelled[entry.first], &bytes, &type)) {
            fuzz::Check(bytes == entry.second.data && type == entry.second.type, "a value left in place changed");
            continue;
        }
        ++deleted;
        // A deleted value named the file: by its file name, or by the whole
        // path at the start of the command or of its expansion, which
        // holds the file name too unless the path ends in a backslash.
        fuzz::Check(slash != std::string::npos, "a value was deleted for a path without a folder");
        std::string command = Lower(UpToZero(entry.second.data));
        bool named = fileName.empty() || command.find(fileName) != std::string::npos ||
                     command.find("%") != std::string::npos;
        fuzz::Check(named, "a value that does not name the file was deleted");
    }
    fuzz::Check(deleted == fuzz::ReportLinesSeen(), "deletions and report lines differ");
    return 0;
}
