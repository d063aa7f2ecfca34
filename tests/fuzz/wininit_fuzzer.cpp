// AddWininitRenameLine over arbitrary existing wininit.ini contents: any
// bytes, lines longer than the 647-character pieces they are read in, no
// line end at the end, zero bytes, headers anywhere. The rewritten file
// must hold every original byte in order and exactly one new line,
// standing at the start of a line inside a [rename] section.
#include <cctype>
#include <cstdint>
#include <string>

#include "detect/boot_deletion.h"
#include "fuzz_world.h"
#include "platform/win32.h"
#include "winsim/machine.h"

namespace {

const char kWininit[] = "C:\\WINDOWS\\wininit.ini";
const char kSource[] = "C:\\WINDOWS\\SYSTEM\\ABCDEF~1.EXE";

bool StartsWithRename(const std::string& text, size_t at) {
    static const char kHeader[] = "[rename]";
    if (text.size() - at < 8) return false;
    for (size_t i = 0; i < 8; ++i)
        if (tolower(static_cast<unsigned char>(text[at + i])) != kHeader[i]) return false;
    return true;
}

// The section a line starting at `at` belongs to is named by the last
// line before it that begins with '['.
bool InRenameSection(const std::string& text, size_t at) {
    size_t header = std::string::npos;
    for (size_t start = 0; start < at; start = text.find('\n', start) + 1) {
        if (text[start] == '[') header = start;
        if (text.find('\n', start) == std::string::npos || text.find('\n', start) + 1 > at) break;
    }
    return header != std::string::npos && StartsWithRename(text, header);
}

// The rewrite is the original with one new line put in: taking out one
// occurrence of it that starts a line (and, when it was appended, the line
// end and the header it needed) gives back the original exactly.
bool HoldsOriginalAndOneNewLine(const std::string& original, const std::string& rewritten, const std::string& line) {
    for (size_t at = rewritten.find(line); at != std::string::npos; at = rewritten.find(line, at + 1)) {
        if (at > 0 && rewritten[at - 1] != '\n') continue;
        std::string without = rewritten.substr(0, at) + rewritten.substr(at + line.size());
        std::string before = rewritten.substr(0, at);
        bool inside = without == original;
        bool appended = at + line.size() == rewritten.size() &&
                        (before == original || before == original + "\r\n" || before == original + "[rename]\r\n" ||
                         before == original + "\r\n[rename]\r\n");
        if ((inside || appended) && InRenameSection(rewritten, at)) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ResetWorld();
    winsim::SetWindows98();
    winsim::Machine& machine = winsim::TheMachine();
    machine.files.MakeDirectory("C:\\WINDOWS\\TEMP");
    machine.files.MakeDirectory("C:\\WINDOWS\\SYSTEM");
    // An empty input stands for no wininit.ini at all.
    if (size > 0) fuzz::Check(fuzz::WriteWindowsFile(kWininit, data, size), "wininit.ini not written");
    std::string original(reinterpret_cast<const char*>(data), size);

    bool added = AddWininitRenameLine("NUL", kSource);

    fuzz::Check(added, "the line was not added");
    fuzz::Check(machine.files.DescriptorCount() == 0, "a descriptor was left open");
    std::string rewritten;
    fuzz::Check(fuzz::ReadWindowsFile(kWininit, &rewritten), "wininit.ini is gone");
    fuzz::Check(HoldsOriginalAndOneNewLine(original, rewritten, std::string("NUL=") + kSource + "\r\n"),
                "the rewrite lost original bytes or holds the new line other than once in [rename]");
    return 0;
}
