#include "scan_options.h"

#include <algorithm>
#include <cctype>

namespace {

// The scan walks C: to Z: only; A: and B: are never scanned.
const char kFirstLetter = 'C';
const char kLastLetter = 'Z';

bool LetterTaken(const std::vector<DriveMapping>& drives, char letter) {
    for (const DriveMapping& drive : drives)
        if (drive.letter == letter) return true;
    return false;
}

// "C=/mnt/win" (or "c:=/mnt/win") into a mapping.
bool ParseDriveArgument(const std::string& value, DriveMapping* mapping, std::string* error) {
    size_t equals = value.find('=');
    std::string letterPart = equals == std::string::npos ? value : value.substr(0, equals);
    if (letterPart.size() == 2 && letterPart[1] == ':') letterPart.erase(1);
    if (equals == std::string::npos || letterPart.size() != 1 ||
        !std::isalpha(static_cast<unsigned char>(letterPart[0]))) {
        *error = "--drive needs LETTER=FOLDER, for example --drive C=/mnt/win (got '" + value + "')";
        return false;
    }
    char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letterPart[0])));
    if (letter < kFirstLetter || letter > kLastLetter) {
        *error = std::string("drive ") + letter + ": is never scanned; use a letter from C to Z";
        return false;
    }
    std::string folder = value.substr(equals + 1);
    if (folder.empty()) {
        *error = std::string("--drive ") + letter + "= names no folder";
        return false;
    }
    mapping->letter = letter;
    mapping->hostFolder = folder;
    return true;
}

// The value of --threads: a whole number from 0 to the maximum.
bool ParseThreads(const std::string& value, int* threads, std::string* error) {
    bool digits = !value.empty() && value.size() <= 3 &&
                  std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
    int count = digits ? std::stoi(value) : -1;
    if (count < 0 || count > kMaximumReadAheadThreads) {
        *error = "--threads needs a number from 0 to " + std::to_string(kMaximumReadAheadThreads) + " (got '" +
                 value + "')";
        return false;
    }
    *threads = count;
    return true;
}

bool AddDrive(ScanOptions* options, const DriveMapping& mapping, std::string* error) {
    if (LetterTaken(options->drives, mapping.letter)) {
        *error = std::string("drive ") + mapping.letter + ": is given twice";
        return false;
    }
    options->drives.push_back(mapping);
    return true;
}

}  // namespace

bool ParseScanOptions(const std::vector<std::string>& arguments, ScanOptions* options, std::string* error) {
    *options = ScanOptions();
    std::vector<std::string> folders;
    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
            folders.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h") {
            options->help = true;
        } else if (argument == "--remove") {
            options->remove = true;
        } else if (argument == "--quiet" || argument == "-q") {
            options->quiet = true;
        } else if (argument == "--threads" || argument.compare(0, 10, "--threads=") == 0) {
            std::string value;
            if (argument == "--threads") {
                if (i + 1 == arguments.size()) {
                    *error = "--threads needs a number (0: no read-ahead)";
                    return false;
                }
                value = arguments[++i];
            } else {
                value = argument.substr(10);
            }
            if (!ParseThreads(value, &options->threads, error)) return false;
        } else if (argument == "--windows" || argument.compare(0, 10, "--windows=") == 0) {
            std::string folder;
            if (argument == "--windows") {
                if (i + 1 == arguments.size()) {
                    *error = "--windows needs the folder a Windows installation is mounted on";
                    return false;
                }
                folder = arguments[++i];
            } else {
                folder = argument.substr(10);
            }
            if (!options->windowsRoot.empty() || folder.empty()) {
                *error = folder.empty() ? "--windows names no folder" : "--windows is given twice";
                return false;
            }
            // The installation is the system drive, as it is when it runs.
            options->windowsRoot = folder;
            if (!AddDrive(options, {'C', folder}, error)) return false;
        } else if (argument == "--drive" || argument.compare(0, 8, "--drive=") == 0) {
            std::string value;
            if (argument == "--drive") {
                if (i + 1 == arguments.size()) {
                    *error = "--drive needs LETTER=FOLDER, for example --drive C=/mnt/win";
                    return false;
                }
                value = arguments[++i];
            } else {
                value = argument.substr(8);
            }
            DriveMapping mapping;
            if (!ParseDriveArgument(value, &mapping, error) || !AddDrive(options, mapping, error)) return false;
        } else {
            *error = "unknown option '" + argument + "'";
            return false;
        }
    }
    if (options->help) return true;
    for (const std::string& folder : folders) {
        if (folder.empty()) {
            *error = "an empty folder name was given";
            return false;
        }
        char letter = kFirstLetter;
        while (letter <= kLastLetter && LetterTaken(options->drives, letter)) ++letter;
        if (letter > kLastLetter) {
            *error = "too many folders: drives C: to Z: hold at most 24";
            return false;
        }
        options->drives.push_back({letter, folder});
    }
    if (options->drives.empty()) {
        *error = "no folder to scan";
        return false;
    }
    std::sort(options->drives.begin(), options->drives.end(),
              [](const DriveMapping& a, const DriveMapping& b) { return a.letter < b.letter; });
    return true;
}

const char* ScanUsageText() {
    static const std::string text = std::string("Usage: bruvane-scan [OPTION]... FOLDER...\n"
           "       bruvane-scan [OPTION]... --drive C=FOLDER [--drive D=FOLDER]...\n"
           "       bruvane-scan [OPTION]... --windows DIR [--drive D=FOLDER]...\n"
           "\n"
           "Scans host folders, for example a Windows disk mounted on Linux, for the\n"
           "known builds of W32/Gorvex with the engine of Bruvane. Each folder is\n"
           "scanned as one fixed drive: --drive names its letter; a FOLDER given on its\n"
           "own takes the lowest free letter from C: on. Report lines and the scanning\n"
           "statistics go to standard output, with the Windows paths of the drives.\n"
           "\n"
           "Options:\n"
           "  --drive L=FOLDER  scan FOLDER as drive L: (C to Z); may be repeated\n"
           "  --windows DIR     DIR is a mounted Windows installation (the folder that\n"
           "                    holds Windows\\): scan it as C:, with its version and its\n"
           "                    registry (the SOFTWARE and SYSTEM hives); with --remove\n"
           "                    the registry is repaired too, after a backup of each\n"
           "                    changed hive (NAME.bruvane-bak beside it)\n"
           "  --remove          remove what is found and repair, as Bruvane does;\n"
           "                    without it, detections are only reported\n"
           "  --threads N       read ahead of the scan with N threads (default ") +
        std::to_string(kDefaultReadAheadThreads) + std::string("; 0:\n"
           "                    none): a cold disk is read many files at a time while\n"
           "                    the scan itself still reads every file in order\n"
           "  -q, --quiet       no progress line (shown only when standard error is\n"
           "                    a terminal)\n"
           "  -h, --help        show this help\n"
           "\n"
           "Symbolic links below a folder are neither listed nor followed, so nothing\n"
           "outside the given folders is read or changed.\n"
           "\n"
           "Exit status: 0 nothing found, 1 something found, 2 usage or access error\n"
           "(also: no Windows installation, a damaged hive, a read-only mount, or a\n"
           "hive that could not be written back), 130 interrupted before anything\n"
           "was found.\n");
    return text.c_str();
}
