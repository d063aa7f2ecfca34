// The command line of bruvane-scan: which host folders are scanned as
// which drive letters, whether one of them is a Windows installation,
// whether detections are removed or only reported, how many threads read
// ahead of the scan and whether a progress line is shown.
#pragma once

#include <string>
#include <vector>

struct DriveMapping {
    char letter;             // 'C' to 'Z'
    std::string hostFolder;  // as given on the command line
};

// Reading threads of the read-ahead unless --threads says otherwise:
// chosen by measurement on a cold disk (bench/RESULTS.md).
const int kDefaultReadAheadThreads = 16;
const int kMaximumReadAheadThreads = 64;

struct ScanOptions {
    std::vector<DriveMapping> drives;  // in letter order
    bool remove = false;               // act as the program does instead of only reporting
    std::string windowsRoot;           // --windows: a Windows installation, also drives[] as C:
    int threads = kDefaultReadAheadThreads;  // --threads: 0 reads nothing ahead
    bool quiet = false;                      // --quiet: no progress line
    bool help = false;
};

// Parses the arguments after the program name. Folders given without a
// letter take the lowest free letters from C: on, in the order given.
// On a usage error returns false and *error says what is wrong.
bool ParseScanOptions(const std::vector<std::string>& arguments, ScanOptions* options, std::string* error);

// The text of --help.
const char* ScanUsageText();
