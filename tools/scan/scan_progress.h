// The progress line of bruvane-scan on a terminal: files scanned, files
// per second and the folder being scanned, redrawn in place at most ten
// times a second, and cleared before the program writes anything else
// (a report line, a prompt) and when the walk ends. Standard output
// carries the same report lines with or without it.
#pragma once

#include <cstdio>
#include <string>

#include "scan_follower.h"

class ScanProgress : public ScanFollower {
public:
    // The line goes to `terminal`; `now` reads a steady clock in seconds.
    ScanProgress(FILE* terminal, double (*now)());

    void EntryShown(int filesScanned, const char* status) override;
    void BeforeOutput() override { Clear(); }
    void WalkEnded() override;

    // The terminal's width, when it is not to be asked (tests).
    void SetColumns(int columns) { columns_ = columns; }

private:
    void Draw(int filesScanned, const char* status, double now);
    void Clear();
    int Columns() const;

    FILE* terminal_;
    double (*now_)();
    double start_ = 0;
    double lastDrawn_ = 0;
    bool started_ = false;
    bool drawnOnce_ = false;
    bool ended_ = false;
    int onScreen_ = 0;  // columns of the line now shown, 0 when there is none
    int columns_ = 0;   // 0: ask the terminal
    std::string line_;
};

// Whether to show the line: standard error (`fd`) is a terminal and
// --quiet was not given.
bool WantsProgressLine(int fd, bool quiet);

// A steady clock in seconds, for ScanProgress.
double SteadySeconds();
