// 8.3 aliases, the way Windows makes them for long names: a valid short
// name is kept as written; a long name gets an alias the first time any
// entry of its folder is asked for, numbered in name order (ignoring
// case), and keeps it while it stays in that folder.
#pragma once

#include <map>
#include <string>

namespace winsim {

// Invalid characters become '_', blanks and inner dots go, letters are
// upper-cased, six characters of the base (fewer for larger numbers),
// "~n", and three characters of the extension.
bool IsValidShortName(const std::string& name);
std::string ShortNameCandidate(const std::string& longName, int number);

class ShortNames {
public:
    // The alias of entry `name` of a host folder: the name itself when it
    // is a valid short name, else an alias such as "FOOBAR~1.EXE". The
    // first request assigns aliases to every long name of the folder.
    std::string ShortNameOf(const std::string& hostFolder, const std::string& name);
    // The entry of a host folder whose alias is `alias` (ignoring case).
    bool FindByShortName(const std::string& hostFolder, const std::string& alias, std::string* name);
    // The entry at a host path left its folder: its alias is free again
    // (a renamed entry gets a fresh one in its new folder).
    void NoteGone(const std::string& hostPath);
    void Clear() { aliases_.clear(); }

private:
    void Assign(const std::string& hostFolder);
    // host folder -> (entry name -> alias); aliases are handed out lazily.
    std::map<std::string, std::map<std::string, std::string>> aliases_;
};

}  // namespace winsim
