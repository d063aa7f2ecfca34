// AbbreviatePath over any limit, any source length and the code pages
// 1252, 932 and 65001: the result is either the source itself or exactly
// the limit's head, dots and tail, both cut where a character of the code
// page begins (as CharNextA steps), and nothing is written past the
// terminator of a 512-byte destination.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_world.h"
#include "platform/win32.h"
#include "scan/directory_walk.h"
#include "winsim/machine.h"

namespace {

const size_t kDestinationSize = 512;
const unsigned char kFill = 0xBD;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ByteReader input(data, size);
    int16_t limit = static_cast<int16_t>(input.Word());
    std::string text = input.Text(4096);
    // Last, so that an input without it is a 1252 one.
    const UINT codePages[] = {1252, 932, 65001};
    winsim::TheMachine().ansiCodePage = codePages[input.Byte() % 3];
    // The source sits in an allocation of its own exact size, so reading
    // one byte too far is an error the sanitizer reports.
    std::vector<char> source(text.begin(), text.end());
    source.push_back('\0');
    std::vector<unsigned char> destination(kDestinationSize, kFill);

    AbbreviatePath(source.data(), reinterpret_cast<char*>(destination.data()), limit);

    const char* result = reinterpret_cast<const char*>(destination.data());
    size_t resultLength = strnlen(result, kDestinationSize);
    fuzz::Check(resultLength < kDestinationSize, "destination not terminated");
    for (size_t i = resultLength + 1; i < kDestinationSize; ++i)
        fuzz::Check(destination[i] == kFill, "written past the terminator");

    int effective = limit > 100 ? 100 : limit;
    int keep = effective / 2 - 1;
    size_t length = text.size() < kDestinationSize ? text.size() : kDestinationSize - 1;
    if (static_cast<long>(length) > effective && keep > 0) {
        size_t kept = static_cast<size_t>(keep);
        // The last character start at or before `kept`, the first at or
        // after length - kept.
        size_t head = 0;
        size_t tail = length;
        for (size_t at = 0; at < length;) {
            if (at <= kept) head = at;
            if (at >= length - kept && tail == length) tail = at;
            at = static_cast<size_t>(CharNextA(source.data() + at) - source.data());
        }
        fuzz::Check(resultLength == static_cast<size_t>(effective), "shortened text is not the limit long");
        fuzz::Check(head + 3 >= kept && head <= kept, "head cut too far");
        fuzz::Check(tail <= length - kept + 3, "tail cut too far");
        fuzz::Check(memcmp(result, text.data(), head) == 0, "head differs");
        size_t tailLength = length - tail;
        fuzz::Check(memcmp(result + effective - tailLength, text.data() + tail, tailLength) == 0, "tail differs");
        for (size_t i = head; i < static_cast<size_t>(effective) - tailLength; ++i)
            fuzz::Check(result[i] == '.', "middle is not dots");
    } else {
        fuzz::Check(resultLength == length, "unshortened text has another length");
        fuzz::Check(memcmp(result, text.data(), length) == 0, "unshortened text differs");
    }
    return 0;
}
