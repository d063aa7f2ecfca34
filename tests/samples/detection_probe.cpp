// The real inspection of a file on Windows (or Wine), for runnable samples: the
// probe starts each sample, inspects its file while it runs (as the memory
// stage's recording call does), then ends it.
//
//   detection_probe RECORD FILE    RECORD 0: the file must not be detected
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/identity.h"
#include "common/shared_state.h"
#include "detect/file_check.h"
#include "detect/signature_table.h"
#include "platform/win32.h"

// Nothing here asks the user.
int ShowMessageDialog(const char*, const char*, int) { return IDNO; }

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: detection_probe RECORD FILE\n");
        return 2;
    }
    int record = atoi(argv[1]);
    const char* file = argv[2];
    if (record < 0 || record > kSignatureRecordCount) return 2;

    char command[400];
    snprintf(command, sizeof command, "\"%s\" 60000", file);
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    memset(&process, 0, sizeof process);
    // Without a console of its own, the sample's greeting stays out of our output.
    BOOL started =
        CreateProcessA(file, command, nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr, &startup, &process);

    MemoryStageActive = 1;
    InfectedFileSeen = 0;
    int result = InspectFile(kFamilyDetectionName, file);
    printf("%s: started %d, result %d, seen %d, name \"%s\"\n", file, started ? 1 : 0, result, InfectedFileSeen,
           LastDetectionName);

    DWORD stillRunning = 0;
    if (started) {
        stillRunning = WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
        TerminateProcess(process.hProcess, 0);
        WaitForSingleObject(process.hProcess, 10000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    bool ok;
    if (record == 0)
        ok = result == 0 && InfectedFileSeen == 0;
    else
        ok = started && stillRunning && result == 1 && InfectedFileSeen == 1 &&
             strcmp(LastDetectionName, SignatureTable[record - 1].detectionName) == 0;
    printf("%s\n", ok ? "probe: ok" : "probe: FAILED");
    return ok ? 0 : 1;
}
