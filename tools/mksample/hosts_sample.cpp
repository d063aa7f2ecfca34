#include "hosts_sample.h"

#include "detect/text_signature.h"

namespace samples {

namespace {

const size_t kEncodedLine = 61;  // the length byte and 60 encoded characters

}  // namespace

std::string MatchingHostsText() {
    const TextSignatureRecord& record = TextSignatureTable[0];
    size_t length = record.patternLength <= sizeof record.pattern ? record.patternLength : sizeof record.pattern;
    std::string pattern(reinterpret_cast<const char*>(record.pattern), length);
    // The table is kept scrambled until the program's first check.
    if (TextSignaturesUnscrambled == 0)
        for (char& c : pattern) c = static_cast<char>(c ^ 0x55);
    std::string text = "begin 644 hosts\r\n";
    for (size_t at = 0; at < pattern.size(); at += kEncodedLine) text += pattern.substr(at, kEncodedLine) + "\r\n";
    return text + "`\r\nend\r\n";
}

}  // namespace samples
