// Startup values and the hosts-file check around each infected file.
#pragma once

// Runs for every detection before any removal; always 1.
int CleanStartupEntries(const char* detectionName);
