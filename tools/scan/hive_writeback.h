// What the scan deleted from the simulated registry, found by comparing it
// with what was loaded from a hive, and those deletions written into the
// hive file through hivex: a backup beside it first (NAME.bruvane-bak,
// never overwritten), then the changed hive through a temporary file and a
// rename in the same folder, so that an interrupted run leaves either the
// old hive or the new one, never part of one.
#pragma once

#include <string>
#include <vector>

#include "offline_hives.h"

struct HiveDeletion {
    const LoadedKey* key = nullptr;
    const LoadedValue* value = nullptr;  // null: the key with everything below it
};

struct HiveChanges {
    std::vector<HiveDeletion> deletions;
    // Deletions the hive cannot take exactly as the scan made them, said
    // with the reason; the hive keeps what they name.
    std::vector<std::string> leftAlone;
};

HiveChanges FindHiveDeletions(const OfflineHive& hive);

// "Microsoft\Windows\CurrentVersion\Run, value "name"", or the key's path
// and "(key)".
std::string DescribeDeletion(const HiveDeletion& deletion);

// The hive's backup path: beside it, NAME.bruvane-bak.
std::string HiveBackupPath(const OfflineHive& hive);

// Writes the deletions into the hive file (open for writing). A backup is
// made first unless one is already there (*backupMade says which). False
// with *error when anything fails; the hive file is then as it was.
bool WriteBackHive(const OfflineHive& hive, const HiveChanges& changes, bool* backupMade, std::string* error);
