// bruvane-scan --windows: a mounted Windows installation scanned as the
// program scans it running there. Before the scan the installation is
// found and checked, and the simulated machine takes its version, its
// Windows folder and its registry; after the scan, what the scan deleted
// from the registry is written back into the hives (--remove) or said
// (report only).
#pragma once

#include <cstdio>
#include <string>

#include "offline_hives.h"
#include "windows_installation.h"

struct OfflineScan {
    WindowsInstallation installation;
    OfflineRegistry registry;
    bool remove = false;
};

// Finds the installation below `root` (the host folder already mapped as
// C:), loads its registry and sets the machine up. Refuses, with *error
// and nothing changed: a folder that holds no Windows installation, a hive
// hivex cannot open, and with `remove` a read-only mount or a hive that
// Windows did not finish writing.
bool StartOfflineScan(const std::string& root, bool remove, OfflineScan* scan, std::string* error);

// What was found and loaded, for the head of the report.
void PrintOfflineScanStart(const OfflineScan& scan, FILE* out);

// Report only, just before the statistics: that nothing was changed, and
// what --remove would change. `context` is the OfflineScan.
void PrintWhatRemoveWouldChange(void* context, FILE* out);

// After the scan. With --remove, writes what the scan deleted from the
// registry into the hives and says what was written; false with *error
// when a hive could not be written (that hive is then as it was). Closes
// the hives.
bool FinishOfflineScan(OfflineScan* scan, FILE* out, std::string* error);
