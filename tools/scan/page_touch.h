// The read-ahead's work on one file: read what the inspection will read
// first (the first 4 KiB, and the PE headers where the offset at 0x3C
// points beyond them), so that the engine finds it in the page cache.
// Only a regular file is read; a link is never followed and a pipe never
// waited on. Nothing is kept: the descriptor is closed before returning.
#pragma once

enum class TouchResult {
    kRead,        // a regular file, its first page read from the disk
    kCached,      // a regular file whose first page was in the page cache
    kNotOpened,   // gone, a link, no permission ...
    kNotRegular,  // a pipe, a device, a folder put in its place
};

// `name` in the folder open as `dirfd`. Whether the first page was cached
// is asked without waiting for the disk (RWF_NOWAIT); where the file
// system cannot answer that, the page counts as read.
TouchResult TouchFile(int dirfd, const char* name);
