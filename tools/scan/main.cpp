// bruvane-scan: the scan of Bruvane over host folders. The engine runs
// unchanged on the simulated Windows machine; the folders are its fixed
// drives, and the only window is standard output. Beside it, threads read
// ahead of it on the host, and a terminal shows a progress line.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/report.h"
#include "common/shared_state.h"
#include "console_window.h"
#include "offline_scan.h"
#include "read_ahead.h"
#include "scan/scan_driver.h"
#include "scan_folders.h"
#include "scan_options.h"
#include "scan_progress.h"
#include "winsim/machine.h"

namespace {

const int kExitClean = 0;
const int kExitFound = 1;
const int kExitUsage = 2;
const int kExitInterrupted = 130;

int UsageError(const std::string& message) {
    fprintf(stderr, "bruvane-scan: %s\nTry 'bruvane-scan --help'.\n", message.c_str());
    return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    ScanOptions options;
    std::string error;
    if (!ParseScanOptions(arguments, &options, &error)) return UsageError(error);
    if (options.help) {
        fputs(ScanUsageText(), stdout);
        return kExitClean;
    }

    // An NT machine: a file that cannot be deleted is then only noted in
    // the simulated registry, never written into the scanned disk. Its
    // code page is UTF-8, so that every name of the disk is scanned under
    // its own spelling and the report lines print as UTF-8.
    winsim::SetWindowsXp();
    winsim::TheMachine().ansiCodePage = 65001;
    std::vector<std::string> hostFolders;
    if (!MapScanFolders(options.drives, &hostFolders, &error)) {
        fprintf(stderr, "bruvane-scan: %s\n", error.c_str());
        return kExitUsage;
    }
    // --windows: the installation takes the machine over (version, Windows
    // folder, registry) before anything is printed or scanned.
    bool windows = !options.windowsRoot.empty();
    OfflineScan offline;
    if (windows && !StartOfflineScan(hostFolders[0], options.remove, &offline, &error)) {
        fprintf(stderr, "bruvane-scan: %s\n", error.c_str());
        return kExitUsage;
    }
    for (size_t i = 0; i < options.drives.size(); ++i)
        printf("Drive %c: is %s\n", options.drives[i].letter, hostFolders[i].c_str());
    if (windows) PrintOfflineScanStart(offline, stdout);

    MainWindowHandle = CreateConsoleWindow(stdout);
    if (windows && !options.remove) CallBeforeStatistics(&PrintWhatRemoveWouldChange, &offline);
    ReadAheadSettings readAheadSettings;
    readAheadSettings.readers = options.threads;
    ReadAhead readAhead(readAheadSettings);
    if (options.threads > 0) {
        readAhead.Start(hostFolders);
        FollowScan(&readAhead);
    }
    ScanProgress progress(stderr, &SteadySeconds);
    if (WantsProgressLine(STDERR_FILENO, options.quiet)) FollowScan(&progress);
    CopyText(ScanTarget, sizeof ScanTarget, "!:");
    ActionCode = options.remove ? kActionRemove : kActionLeave;
    CatchInterrupts();
    RunScan();
    readAhead.Stop();
    progress.WalkEnded();
    printf("%s\n", StatusPath);
    bool written = !windows || FinishOfflineScan(&offline, stdout, &error);
    fflush(stdout);
    if (!written) fprintf(stderr, "bruvane-scan: %s\n", error.c_str());

    if (RestartNeeded != 0)
        fprintf(stderr,
                "bruvane-scan: files reported \"Unable to remove\" are still on disk; "
                "remove them by hand\n");
    if (!written) return kExitUsage;
    if (ScanCounters.filesInfected > 0) return kExitFound;
    return Interrupted() ? kExitInterrupted : kExitClean;
}
