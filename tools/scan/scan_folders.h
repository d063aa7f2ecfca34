// Checks the folders of the command line and maps them as fixed drives
// of the simulated machine the engine runs on.
#pragma once

#include <string>
#include <vector>

#include "scan_options.h"

// Each folder must exist, be a folder and be readable. Symbolic links in
// the folder's own path are resolved once here: that path is the user's
// choice; below it no link is followed. On success the drives are
// mapped and *resolved holds the host folders behind them, in the order
// of `drives`; on failure *error names the folder and the reason, and
// nothing is mapped.
bool MapScanFolders(const std::vector<DriveMapping>& drives, std::vector<std::string>* resolved,
                    std::string* error);
