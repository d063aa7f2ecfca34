#include "scan_progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstring>
#include <ctime>

namespace {

const double kRedrawInterval = 0.1;  // seconds: at most ten lines a second
const int kDefaultColumns = 80;

// 1234567 as "1,234,567".
std::string Grouped(long long value) {
    std::string digits = std::to_string(value < 0 ? 0 : value);
    std::string text;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text.push_back(',');
        text.push_back(digits[i]);
    }
    return text;
}

// The folder of the entry the status field shows: everything before its
// last '\' ("C:\" for an entry of a drive's root).
std::string FolderOf(const char* status) {
    const char* last = strrchr(status, '\\');
    if (last == nullptr) return status;
    std::string folder(status, static_cast<size_t>(last - status));
    if (folder.size() == 2 && folder[1] == ':') folder.push_back('\\');
    return folder;
}

// Cuts `text` to at most `columns` characters (UTF-8: continuation bytes
// take no column) and returns the columns kept.
int FitToColumns(std::string* text, int columns) {
    int used = 0;
    for (size_t i = 0; i < text->size(); ++i) {
        if ((static_cast<unsigned char>((*text)[i]) & 0xC0) == 0x80) continue;
        if (used == columns) {
            text->resize(i);
            break;
        }
        ++used;
    }
    return used;
}

}  // namespace

ScanProgress::ScanProgress(FILE* terminal, double (*now)()) : terminal_(terminal), now_(now) {}

void ScanProgress::EntryShown(int filesScanned, const char* status) {
    if (ended_) return;
    double now = now_();
    if (!started_) {
        started_ = true;
        start_ = now;
    }
    if (drawnOnce_ && now - lastDrawn_ < kRedrawInterval) return;
    Draw(filesScanned, status, now);
}

void ScanProgress::WalkEnded() {
    Clear();
    ended_ = true;
}

void ScanProgress::Draw(int filesScanned, const char* status, double now) {
    double elapsed = now - start_;
    long long perSecond = elapsed > 0 ? static_cast<long long>(filesScanned / elapsed) : 0;
    line_ = Grouped(filesScanned) + " files  " + Grouped(perSecond) + " files/s  " + FolderOf(status);
    // One column short of the width: a line that fills it would wrap on
    // some terminals, and a wrapped line cannot be cleared in place.
    int shown = FitToColumns(&line_, Columns() - 1);
    std::string text = "\r" + line_;
    if (onScreen_ > shown) text.append(static_cast<size_t>(onScreen_ - shown), ' ');
    fputs(text.c_str(), terminal_);
    fflush(terminal_);
    onScreen_ = shown;
    lastDrawn_ = now;
    drawnOnce_ = true;
}

void ScanProgress::Clear() {
    if (onScreen_ == 0) return;
    std::string text = "\r" + std::string(static_cast<size_t>(onScreen_), ' ') + "\r";
    fputs(text.c_str(), terminal_);
    fflush(terminal_);
    onScreen_ = 0;
}

int ScanProgress::Columns() const {
    if (columns_ > 0) return columns_;
    struct winsize size;
    if (ioctl(fileno(terminal_), TIOCGWINSZ, &size) == 0 && size.ws_col > 1) return size.ws_col;
    return kDefaultColumns;
}

bool WantsProgressLine(int fd, bool quiet) { return !quiet && isatty(fd) == 1; }

double SteadySeconds() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}
