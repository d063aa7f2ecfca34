// What follows the engine's walk from its messages to the console window:
// the read-ahead (how far the engine has got) and the progress line. The
// window calls them on the scan's own thread, in the order they were added.
#pragma once

class ScanFollower {
public:
    virtual ~ScanFollower() = default;
    // An entry of the walk is shown: `filesScanned` files were handed to
    // the inspection before it, and `status` is the entry's path as the
    // status field shows it (shortened to 60 characters, head and tail).
    virtual void EntryShown(int filesScanned, const char* status) = 0;
    // The program is about to write a line of its own: a report line on
    // standard output or a prompt on standard error.
    virtual void BeforeOutput() {}
    // The walk is over (finished or interrupted); no entry follows.
    virtual void WalkEnded() {}
};
