#include "offline_scan.h"

#include <strings.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/shared_state.h"
#include "hive_writeback.h"
#include "repair/uninstall_entries.h"

namespace {

// A folder that --remove will change: deleted files, and for the hives
// their backups, temporary files and renames.
bool CheckWritable(const std::string& folder, std::string* error) {
    struct statvfs fs;
    if (statvfs(folder.c_str(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0) {
        *error = "'" + folder +
                 "' is on a read-only mount; --remove needs it read-write. Linux mounts an NTFS volume "
                 "read-only when Windows was hibernated or fast-started: start Windows and shut it down "
                 "fully first. Without --remove, bruvane-scan only reports.";
        return false;
    }
    if (access(folder.c_str(), W_OK) != 0) {
        *error = "cannot write to '" + folder + "' (" + strerror(errno) + "); --remove needs it writable";
        return false;
    }
    return true;
}

// What GetWindowsDirectoryA answers there: the Windows folder as the
// installation records it ("C:\WINDOWS" on XP), put on C: where the folder
// is mapped, and its name as on disk when the record names another.
std::string WindowsDirectoryOf(const OfflineScan& scan) {
    const std::string& recorded = scan.registry.systemRoot;
    const std::string& onDisk = scan.installation.windowsFolder;
    if (recorded.size() == onDisk.size() + 3 && recorded.compare(1, 2, ":\\") == 0 &&
        strcasecmp(recorded.c_str() + 3, onDisk.c_str()) == 0)
        return "C:\\" + recorded.substr(3);
    return "C:\\" + onDisk;
}

void SetUpNineX(const OfflineScan& scan) {
    winsim::SetWindows98();
    winsim::Machine& machine = winsim::TheMachine();
    std::string windows = "C:\\" + scan.installation.windowsFolder;
    machine.files.windowsDirectory = windows;
    machine.files.tempPath = windows + "\\TEMP\\";
    machine.environment.systemDirectory = windows + "\\SYSTEM";
    // 9x has no SystemRoot; %windir% comes from the Windows folder.
    machine.environment.Unset("SystemRoot");
}

void SetUpNt(const OfflineScan& scan) {
    winsim::Machine& machine = winsim::TheMachine();
    machine.version = scan.registry.version;
    std::string windows = WindowsDirectoryOf(scan);
    machine.files.windowsDirectory = windows;
    machine.files.tempPath = windows + "\\TEMP\\";
    machine.environment.systemDirectory = windows + "\\system32";
    // The variables a machine-wide Run value is written with.
    machine.environment.Set("SystemRoot", windows);
    machine.environment.Set("SystemDrive", "C:");
    if (!scan.registry.programFiles.empty()) machine.environment.Set("ProgramFiles", scan.registry.programFiles);
}

const char* Plural(size_t count, const char* one, const char* more) { return count == 1 ? one : more; }

void PrintDeletions(const HiveChanges& changes, const char* prefix, FILE* out) {
    for (const HiveDeletion& deletion : changes.deletions) fprintf(out, "%s%s\n", prefix, DescribeDeletion(deletion).c_str());
}

void PrintLeftAlone(const OfflineHive& hive, const HiveChanges& changes, FILE* out) {
    for (const std::string& entry : changes.leftAlone)
        fprintf(out, "  (left as it is: %s %s)\n", hive.name.c_str(), entry.c_str());
}

}  // namespace

bool StartOfflineScan(const std::string& root, bool remove, OfflineScan* scan, std::string* error) {
    scan->remove = remove;
    if (!FindWindowsInstallation(root, &scan->installation, error)) return false;
    if (remove && !CheckWritable(root, error)) return false;
    if (scan->installation.nineX) {
        SetUpNineX(*scan);
        return true;
    }
    if (remove && !CheckWritable(scan->installation.configFolder, error)) return false;
    if (!OpenOfflineHives(scan->installation, remove, &scan->registry, error)) return false;
    bool ok = ReadWindowsVersion(&scan->registry, error);
    for (const OfflineHive* hive : {&scan->registry.software, &scan->registry.system}) {
        if (ok && remove && !hive->savedCleanly) {
            *error = "the " + hive->name + " hive " + hive->windowsPath +
                     " was not saved completely by Windows (its log files hold changes not yet in it); "
                     "start Windows and shut it down normally before --remove";
            ok = false;
        }
    }
    ok = ok && LoadOfflineRegistry(&scan->registry, &winsim::TheMachine().registry, error);
    if (!ok) {
        CloseOfflineHives(&scan->registry);
        return false;
    }
    SetUpNt(*scan);
    return true;
}

void PrintOfflineScanStart(const OfflineScan& scan, FILE* out) {
    const winsim::Machine& machine = winsim::TheMachine();
    if (scan.installation.nineX) {
        fprintf(out,
                "Windows: Windows 95/98/Me in %s. Its registry (SYSTEM.DAT, USER.DAT) cannot be read here: "
                "it is left as it is, and only the files are scanned.\n",
                machine.files.windowsDirectory.c_str());
        return;
    }
    const OfflineRegistry& registry = scan.registry;
    fprintf(out, "Windows: %s (NT %u.%u, build %u%s) in %s\n", registry.productName.c_str(), registry.version.major,
            registry.version.minor, registry.version.build, registry.wow64 ? ", 64-bit" : "",
            machine.files.windowsDirectory.c_str());
    fprintf(out, "Registry: the SOFTWARE and SYSTEM hives in %s%s\n", scan.installation.configWindowsPath.c_str(),
            registry.wow64 ? "; SOFTWARE as 32-bit programs see it (Wow6432Node)" : "");
    for (const OfflineHive* hive : {&registry.software, &registry.system}) {
        if (!hive->savedCleanly)
            fprintf(out, "Registry: %s was not saved completely by Windows; what it holds is read as it is\n",
                    hive->windowsPath.c_str());
        for (const std::string& value : hive->leftOut)
            fprintf(out, "Registry: not read, left as it is: %s %s\n", hive->name.c_str(), value.c_str());
    }
}

void PrintWhatRemoveWouldChange(void* context, FILE* out) {
    OfflineScan* scan = static_cast<OfflineScan*>(context);
    // The program removes the trojan's uninstall command and its own Run
    // value after it deletes a detected file; a report deletes none, so
    // that step is taken here, on the copy of the registry only.
    size_t files = static_cast<size_t>(ScanCounters.filesInfected);
    if (!scan->installation.nineX && files > 0) RemoveUninstallEntries();

    std::string deleteFiles = std::to_string(files) + Plural(files, " infected file", " infected files") +
                              " reported above";
    HiveChanges software, system;
    if (!scan->installation.nineX) {
        software = FindHiveDeletions(scan->registry.software);
        system = FindHiveDeletions(scan->registry.system);
    }
    size_t entries = software.deletions.size() + system.deletions.size();
    if (entries > 0)
        fputs("Report only: nothing on the disk was changed; the \"System Registry\" lines above were removed\n"
              "from a copy of the registry in memory only.\n",
              out);
    else
        fputs("Report only: nothing on the disk was changed.\n", out);
    if (files == 0 && entries == 0) {
        fputs("With --remove, bruvane-scan would change nothing.\n", out);
    } else if (entries == 0) {
        fprintf(out, "With --remove, bruvane-scan would delete the %s%s.\n", deleteFiles.c_str(),
                scan->installation.nineX ? "" : "; it would change nothing in the registry");
    } else {
        if (files > 0)
            fprintf(out, "With --remove, bruvane-scan would delete the %s and these registry entries:\n",
                    deleteFiles.c_str());
        else
            fputs("With --remove, bruvane-scan would delete these registry entries:\n", out);
        PrintDeletions(software, "  SOFTWARE ", out);
        PrintDeletions(system, "  SYSTEM ", out);
    }
    PrintLeftAlone(scan->registry.software, software, out);
    PrintLeftAlone(scan->registry.system, system, out);
}

bool FinishOfflineScan(OfflineScan* scan, FILE* out, std::string* error) {
    if (scan->installation.nineX) return true;
    bool ok = true;
    if (scan->remove) {
        bool anything = false;
        for (const OfflineHive* hive : {&scan->registry.software, &scan->registry.system}) {
            HiveChanges changes = FindHiveDeletions(*hive);
            anything = anything || !changes.deletions.empty() || !changes.leftAlone.empty();
            if (!changes.deletions.empty()) {
                fprintf(out, "Registry: deleted from %s:\n", hive->windowsPath.c_str());
                PrintDeletions(changes, "  ", out);
            }
            PrintLeftAlone(*hive, changes, out);
            bool backupMade = false;
            std::string failure;
            if (!WriteBackHive(*hive, changes, &backupMade, &failure)) {
                *error = failure + "; the hive is as it was";
                ok = false;
                break;
            }
            if (backupMade)
                fprintf(out, "Registry: the %s hive as it was is kept in %s\n", hive->name.c_str(),
                        HiveBackupPath(*hive).c_str());
            else if (!changes.deletions.empty())
                fprintf(out, "Registry: the backup of an earlier run is kept in %s\n", HiveBackupPath(*hive).c_str());
        }
        if (!anything) fputs("Registry: nothing to change; the hives were not written.\n", out);
    }
    CloseOfflineHives(&scan->registry);
    return ok;
}
