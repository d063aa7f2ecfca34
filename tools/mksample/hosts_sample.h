// A hosts file that the program's text-signature check takes for the
// text-borne worm: uuencoded lines of our own harmless marker text, built
// from the signature record itself (never from any outside file).
#pragma once

#include <string>

namespace samples {

// "begin 644 hosts", the record's pattern as uuencoded lines (line breaks
// where a full encoded line of 61 characters ends), and "end"; CR LF line
// ends, as the platform writes them.
std::string MatchingHostsText();

}  // namespace samples
