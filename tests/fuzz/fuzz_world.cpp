#include "fuzz_world.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "common/report.h"
#include "common/shared_state.h"
#include "scripted_dialog.h"
#include "test_machine.h"
#include "winsim/machine.h"

namespace fuzz {

namespace {

size_t reportLines = 0;
size_t statusLimit = sizeof StatusPath - 1;

std::string& ScratchRoot() {
    static std::string root;
    return root;
}

void RemoveScratch() {
    std::error_code error;
    if (!ScratchRoot().empty()) std::filesystem::remove_all(ScratchRoot(), error);
}

// Made once per process below BRUVANE_FUZZ_SCRATCH when it is set (the
// run script removes that folder, also after a crash, which skips the
// removal at exit), else in memory-backed storage when the host has it:
// many inputs write a file each.
const std::string& Scratch() {
    std::string& root = ScratchRoot();
    if (!root.empty()) return root;
    const char* base = getenv("BRUVANE_FUZZ_SCRATCH");
    if (base == nullptr) base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp");
    std::string pattern = std::string(base) + "/bruvane-fuzz-XXXXXX";
    std::string buffer = pattern;
    if (mkdtemp(&buffer[0]) == nullptr) {
        perror("mkdtemp");
        abort();
    }
    root = buffer;
    atexit(RemoveScratch);
    return root;
}

LRESULT CheckingWindowProc(HWND, UINT message, WPARAM, LPARAM) {
    if (message == kReportLineMessage) {
        Check(strnlen(ReportLine, sizeof ReportLine) < sizeof ReportLine, "report line without terminator");
        ++reportLines;
    }
    if (message == kStatusPathMessage) {
        Check(strnlen(StatusPath, sizeof StatusPath) < sizeof StatusPath, "status text without terminator");
        Check(strlen(StatusPath) <= statusLimit, "status text longer than its limit");
    }
    return 0;
}

}  // namespace

void ResetWorld() {
    winsim::Reset();
    ResetProgramState();
    Dialogs().Clear();
    reportLines = 0;
    statusLimit = sizeof StatusPath - 1;
    std::string drive = Scratch() + "/c";
    std::error_code error;
    std::filesystem::remove_all(drive, error);
    std::filesystem::create_directories(drive);
    winsim::TheMachine().files.MapDrive('C', drive, DRIVE_FIXED);
    MainWindowHandle = winsim::TheMachine().ui.CreateWindowWithProc(CheckingWindowProc);
    MemoryStageActive = 0;
}

bool WriteWindowsFile(const std::string& windowsPath, const uint8_t* data, size_t size) {
    std::string host;
    if (!winsim::TheMachine().files.ToHostPath(windowsPath, &host)) return false;
    std::ofstream out(host, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(out);
}

bool ReadWindowsFile(const std::string& windowsPath, std::string* contents) {
    return winsim::TheMachine().files.ReadFile(windowsPath, contents);
}

size_t ReportLinesSeen() { return reportLines; }

void SetStatusLimit(size_t characters) { statusLimit = characters; }

void Check(bool condition, const char* what) {
    if (condition) return;
    fprintf(stderr, "fuzz check failed: %s\n", what);
    abort();
}

uint8_t ByteReader::Byte() { return used_ < size_ ? data_[used_++] : 0; }

uint16_t ByteReader::Word() {
    uint16_t low = Byte();
    return static_cast<uint16_t>(low | (Byte() << 8));
}

uint32_t ByteReader::Dword() {
    uint32_t low = Word();
    return low | (static_cast<uint32_t>(Word()) << 16);
}

std::string ByteReader::Text(size_t limit) {
    std::string text;
    while (text.size() < limit && used_ < size_) {
        char c = static_cast<char>(data_[used_++]);
        if (c == '\0') break;
        text.push_back(c);
    }
    return text;
}

std::string ByteReader::Bytes(size_t count) {
    if (count > size_ - used_) count = size_ - used_;
    std::string bytes(reinterpret_cast<const char*>(data_ + used_), count);
    used_ += count;
    return bytes;
}

std::string ByteReader::Rest() {
    std::string rest(reinterpret_cast<const char*>(data_ + used_), size_ - used_);
    used_ = size_;
    return rest;
}

}  // namespace fuzz
