#include "short_names.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "character_steps.h"

namespace winsim {

namespace {

bool IsShortNameCharacter(unsigned char c) {
    if (c <= ' ' || c >= 0x7F) return false;
    return strchr("\"*+,./:;<=>?[\\]|", c) == nullptr;
}

// Characters that Windows replaces by '_' in an alias (the others that
// cannot stand in a short name are dropped).
bool IsReplacedInAlias(unsigned char c) { return c >= 0x7F || strchr("+,;=[]", c) != nullptr; }

// By characters of the host name (UTF-8): one '_' for each character
// beyond ASCII, however many bytes it takes.
std::string AliasPart(const std::string& text, size_t limit) {
    std::string part;
    size_t at = 0;
    while (at < text.size() && part.size() < limit) {
        unsigned char c = static_cast<unsigned char>(text[at]);
        at += CharacterLength(65001, text.c_str() + at);
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


namespace {

std::string Upper(const std::string& text) {
    std::string upper = text;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

}  // namespace

void ShortNames::Assign(const std::string& hostFolder) {
    DIR* dir = opendir(hostFolder.c_str());
    if (dir == nullptr) return;
    std::vector<std::string> entries;
    while (struct dirent* entry = readdir(dir)) entries.push_back(entry->d_name);
    closedir(dir);
    std::sort(entries.begin(), entries.end(),
              [](const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) < 0; });
    std::map<std::string, std::string>& aliases = aliases_[hostFolder];
    // Names an alias must not repeat: every entry's own name and every alias given.
    std::set<std::string> taken;
    for (const std::string& entry : entries) taken.insert(Upper(entry));
    for (const auto& given : aliases) taken.insert(Upper(given.second));
    for (const std::string& entry : entries) {
        if (IsValidShortName(entry) || aliases.count(entry)) continue;
        for (int number = 1; number < 1000000; ++number) {
            std::string candidate = ShortNameCandidate(entry, number);
            if (taken.count(Upper(candidate))) continue;
            aliases[entry] = candidate;
            taken.insert(Upper(candidate));
            break;
        }
    }
}

std::string ShortNames::ShortNameOf(const std::string& hostFolder, const std::string& name) {
    if (IsValidShortName(name)) return name;
    auto aliases = aliases_.find(hostFolder);
    if (aliases == aliases_.end() || aliases->second.count(name) == 0) Assign(hostFolder);
    auto it = aliases_[hostFolder].find(name);
    return it == aliases_[hostFolder].end() ? name : it->second;
}

bool ShortNames::FindByShortName(const std::string& hostFolder, const std::string& alias, std::string* name) {
    if (!IsValidShortName(alias)) return false;
    Assign(hostFolder);
    for (const auto& given : aliases_[hostFolder]) {
        if (strcasecmp(given.second.c_str(), alias.c_str()) != 0) continue;
        struct stat st;
        if (lstat((hostFolder + "/" + given.first).c_str(), &st) != 0) continue;  // gone behind our back
        *name = given.first;
        return true;
    }
    return false;
}

void ShortNames::NoteGone(const std::string& hostPath) {
    size_t slash = hostPath.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : hostPath.substr(0, slash);
    std::string name = slash == std::string::npos ? hostPath : hostPath.substr(slash + 1);
    auto aliases = aliases_.find(folder);
    if (aliases != aliases_.end()) aliases->second.erase(name);
}

}  // namespace winsim
