// MatchTextSignature over arbitrary files, with the shipped record or with
// its fields taken from the input (any position, region, kind, size mode,
// pattern length). For the shipped record the answer is checked against a
// plain restatement: "begin" first, then the pattern anywhere in the first
// 4096 bytes once blanks are taken out. Always: the descriptor is closed,
// the counter follows the answer and the matched name ends in its buffer.
#include <strings.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "common/shared_state.h"
#include "detect/text_signature.h"
#include "fuzz_world.h"
#include "platform/win32.h"
#include "winsim/machine.h"

namespace {

const char kHosts[] = "C:\\WINDOWS\\hosts";

bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// The shipped record's rule, written out again from its description.
bool ShippedRecordMatches(const std::string& file, const TextSignatureRecord& record) {
    if (file.size() < 5 || memchr(file.data(), '\0', 5) != nullptr || strncasecmp(file.data(), "begin", 5) != 0)
        return false;
    if (file.size() < record.patternLength) return false;
    std::string head;
    for (size_t i = 0; i < file.size() && i < 4096; ++i)
        if (!IsBlank(static_cast<unsigned char>(file[i]))) head.push_back(file[i]);
    std::string pattern(reinterpret_cast<const char*>(record.pattern), record.patternLength);
    return head.find(pattern) != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ResetWorld();
    winsim::Machine& machine = winsim::TheMachine();
    machine.files.MakeDirectory("C:\\WINDOWS");
    if (!TextSignaturesUnscrambled) {
        TextSignaturesUnscrambled = 1;
        UnscrambleTextSignatures();
    }
    fuzz::ByteReader input(data, size);
    TextSignatureRecord& record = TextSignatureTable[0];
    bool shipped = (input.Byte() & 1) == 0;
    if (!shipped) {
        record.position = static_cast<int16_t>(input.Word());
        record.region = static_cast<int16_t>(input.Byte() % 4);
        record.matchKind = static_cast<int16_t>(input.Byte() % 3);
        record.sizeMode = static_cast<int16_t>(15 + input.Byte() % 4);
        record.patternLength = static_cast<uint16_t>(input.Byte() % 120);
        record.referenceSize = static_cast<int32_t>(input.Dword());
    }
    std::string file = input.Rest();
    fuzz::Check(fuzz::WriteWindowsFile(kHosts, reinterpret_cast<const uint8_t*>(file.data()), file.size()),
                "hosts file not written");

    int fd = _open(kHosts, _O_RDONLY | _O_BINARY);
    fuzz::Check(fd != -1, "hosts file not opened");
    int result = MatchTextSignature(fd);
    _close(fd);

    fuzz::Check(result == 0 || result == 1, "result neither 0 nor 1");
    fuzz::Check(ScanCounters.filesInfected == result, "infected counter differs from the result");
    fuzz::Check(strnlen(TextSignatureMatchedName, sizeof TextSignatureMatchedName) < sizeof TextSignatureMatchedName,
                "matched name not terminated");
    fuzz::Check(machine.files.DescriptorCount() == 0, "a descriptor was left open");
    if (shipped) fuzz::Check((result == 1) == ShippedRecordMatches(file, record), "answer differs from the rule");
    return 0;
}
