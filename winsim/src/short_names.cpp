// 8.3 aliases the way Windows makes them for long names.
#include <cctype>
#include <cstring>
#include <string>

#include "winsim/files_internal.h"

namespace winsim {

namespace {

bool IsShortNameCharacter(unsigned char c) {
    if (c <= ' ' || c >= 0x7F) return false;
    return strchr("\"*+,./:;<=>?[\\]|", c) == nullptr;
}

// Characters that Windows replaces by '_' in an alias (the others that
// cannot stand in a short name are dropped).
bool IsReplacedInAlias(unsigned char c) { return c >= 0x7F || strchr("+,;=[]", c) != nullptr; }

std::string AliasPart(const std::string& text, size_t limit) {
    std::string part;
    for (unsigned char c : text) {
        if (part.size() >= limit) break;
        if (IsShortNameCharacter(c))
            part += static_cast<char>(std::toupper(c));
        else if (IsReplacedInAlias(c))
            part += '_';
    }
    return part;
}

}  // namespace

bool IsValidShortName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return !name.empty();
    size_t dot = name.find('.');
    std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || extension.size() > 3) return false;
    if (dot != std::string::npos && extension.empty()) return false;  // "NAME." is not stored that way
    for (unsigned char c : base)
        if (!IsShortNameCharacter(c)) return false;
    for (unsigned char c : extension)
        if (!IsShortNameCharacter(c)) return false;
    return true;
}

std::string ShortNameCandidate(const std::string& longName, int number) {
    size_t start = longName.find_first_not_of('.');
    std::string trimmed = start == std::string::npos ? std::string() : longName.substr(start);
    size_t lastDot = trimmed.rfind('.');
    std::string base = lastDot == std::string::npos ? trimmed : trimmed.substr(0, lastDot);
    std::string extension = lastDot == std::string::npos ? std::string() : trimmed.substr(lastDot + 1);
    std::string suffix = "~" + std::to_string(number);
    std::string alias = AliasPart(base, 8 - suffix.size());
    if (alias.empty()) alias = "_";
    alias += suffix;
    std::string aliasExtension = AliasPart(extension, 3);
    if (!aliasExtension.empty()) alias += "." + aliasExtension;
    return alias;
}

}  // namespace winsim
