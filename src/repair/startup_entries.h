// Startup values, the trojan's uninstall entry and the hosts-file check
// around each infected file.
#pragma once

// Runs for every detection before any removal; always 1.
int CleanStartupEntries(const char* detectionName);
// Runs after every successful deletion; 1 when it ran to the end.
int RemoveUninstallEntries();
