// Helpers shared by winsim's own file calls (not for the core).
#pragma once

#include <string>

namespace winsim {

// Windows wildcard matching ('*', '?', ignoring case; "name.*" matches "name").
bool MatchesWildcard(const char* pattern, const char* name);
// "C:\dir\name" -> "C:\dir\" and "name"; false without any separator.
bool SplitFolderAndName(const std::string& path, std::string* folder, std::string* name);
bool HostPathOf(const char* windowsPath, std::string* host);

}  // namespace winsim
