// AbbreviatePath over any limit and any source length: the result is
// either the source itself or exactly the limit's head, dots and tail, and
// nothing is written past the terminator of a 512-byte destination.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_world.h"
#include "scan/directory_walk.h"

namespace {

const size_t kDestinationSize = 512;
const unsigned char kFill = 0xBD;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::ByteReader input(data, size);
    int16_t limit = static_cast<int16_t>(input.Word());
    std::string text = input.Text(4096);
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
        fuzz::Check(resultLength == static_cast<size_t>(effective), "shortened text is not the limit long");
        fuzz::Check(memcmp(result, text.data(), kept) == 0, "head differs");
        fuzz::Check(memcmp(result + effective - keep, text.data() + length - kept, kept) == 0, "tail differs");
        for (size_t i = kept; i < static_cast<size_t>(effective) - kept; ++i)
            fuzz::Check(result[i] == '.', "middle is not dots");
    } else {
        fuzz::Check(resultLength == length, "unshortened text has another length");
        fuzz::Check(memcmp(result, text.data(), length) == 0, "unshortened text differs");
    }
    return 0;
}
