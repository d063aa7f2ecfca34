#include "ansi_names.h"

#include <errno.h>
#include <iconv.h>

#include "character_steps.h"

namespace winsim {

namespace {

bool IsAscii(const char* text, size_t length) {
    for (size_t i = 0; i < length; ++i)
        if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
    return true;
}

const char* IconvName(UINT codePage) {
    if (codePage == 932) return "CP932";
    if (codePage == 1252) return "CP1252";
    return nullptr;
}

// One converter per code page and direction, opened on first use and kept
// for the life of the process (winsim runs on one thread).
class Converter {
public:
    Converter(UINT codePage, bool toAnsi) : codePage_(codePage), toAnsi_(toAnsi) {}
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    ~Converter() {
        if (opened_ && handle_ != reinterpret_cast<iconv_t>(-1)) iconv_close(handle_);
    }

    // The whole of `text` converted, or false (nothing appended) when any
    // of it does not convert.
    bool Convert(const char* text, size_t length, std::string* out) {
        if (!opened_) {
            const char* name = IconvName(codePage_);
            handle_ = name == nullptr ? reinterpret_cast<iconv_t>(-1)
                                      : iconv_open(toAnsi_ ? name : "UTF-8", toAnsi_ ? "UTF-8" : name);
            opened_ = true;
        }
        if (handle_ == reinterpret_cast<iconv_t>(-1)) return false;
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        char buffer[1024];
        size_t start = out->size();
        char* in = const_cast<char*>(text);
        size_t inLeft = length;
        while (inLeft > 0) {
            char* outAt = buffer;
            size_t outLeft = sizeof buffer;
            size_t done = iconv(handle_, &in, &inLeft, &outAt, &outLeft);
            out->append(buffer, static_cast<size_t>(outAt - buffer));
            if (done == static_cast<size_t>(-1) && errno != E2BIG) {
                out->resize(start);
                return false;
            }
        }
        return true;
    }

private:
    UINT codePage_;
    bool toAnsi_;
    bool opened_ = false;
    iconv_t handle_ = reinterpret_cast<iconv_t>(-1);
};

Converter& ConverterFor(UINT codePage, bool toAnsi) {
    static Converter toCp932(932, true), fromCp932(932, false);
    static Converter toCp1252(1252, true), fromCp1252(1252, false);
    static Converter none(0, true);
    if (codePage == 932) return toAnsi ? toCp932 : fromCp932;
    if (codePage == 1252) return toAnsi ? toCp1252 : fromCp1252;
    return none;
}

// `utf8` in the code page and back, unchanged: appended to *ansi.
bool RoundTrips(UINT codePage, const char* utf8, size_t length, std::string* ansi) {
    size_t start = ansi->size();
    if (!ConverterFor(codePage, true).Convert(utf8, length, ansi)) return false;
    std::string back;
    if (ConverterFor(codePage, false).Convert(ansi->data() + start, ansi->size() - start, &back) &&
        back.compare(0, std::string::npos, utf8, length) == 0)
        return true;
    ansi->resize(start);
    return false;
}

}  // namespace

void AppendUtf8(uint32_t codePoint, std::string* out) {
    if (codePoint < 0x80) {
        out->push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out->push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        out->push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        out->push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

bool WideToUtf8(const WCHAR* wide, std::string* utf8) {
    utf8->clear();
    for (size_t i = 0; wide[i] != 0; ++i) {
        uint32_t unit = wide[i];
        if (unit >= 0xD800 && unit < 0xDC00 && wide[i + 1] >= 0xDC00 && wide[i + 1] < 0xE000) {
            AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (wide[i + 1] - 0xDC00u), utf8);
            ++i;
            continue;
        }
        if (unit >= 0xD800 && unit < 0xE000) return false;
        AppendUtf8(unit, utf8);
    }
    return true;
}

bool CharacterToAnsi(UINT codePage, const char* utf8, size_t length, std::string* ansi) {
    if (codePage == 65001) {
        ansi->append(utf8, length);
        return true;
    }
    return RoundTrips(codePage, utf8, length, ansi);
}

bool HostNameToAnsi(UINT codePage, const char* hostName, std::string* ansi) {
    ansi->clear();
    size_t length = 0;
    while (hostName[length] != '\0') ++length;
    if (codePage == 65001 || IsAscii(hostName, length)) {
        ansi->assign(hostName, length);
        return true;
    }
    // Most names convert whole; one that does not is taken character by
    // character, each that cannot be held becoming '?'.
    if (RoundTrips(codePage, hostName, length, ansi)) return true;
    bool held = true;
    size_t at = 0;
    while (at < length) {
        unsigned char first = static_cast<unsigned char>(hostName[at]);
        if (first < 0x80) {
            ansi->push_back(static_cast<char>(first));
            ++at;
            continue;
        }
        size_t step = LongCharacterLength(65001, hostName + at);
        if (step == 1 || !CharacterToAnsi(codePage, hostName + at, step, ansi)) {
            ansi->push_back('?');
            held = false;
        }
        at += step;
    }
    return held;
}

bool AnsiToHostName(UINT codePage, const char* text, size_t length, std::string* hostName) {
    hostName->clear();
    if (codePage == 65001 || IsAscii(text, length)) {
        hostName->assign(text, length);
        return true;
    }
    if (!ConverterFor(codePage, false).Convert(text, length, hostName)) return false;
    // Only what a listing spells this way names a host entry: text whose
    // characters the listing would have written otherwise (or as '?') does
    // not.
    std::string again;
    if (RoundTrips(codePage, hostName->data(), hostName->size(), &again) &&
        again.compare(0, std::string::npos, text, length) == 0)
        return true;
    hostName->clear();
    return false;
}

}  // namespace winsim
