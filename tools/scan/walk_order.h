// The order in which the engine's walk meets a folder's entries, read on
// the host: its files in the order the listing hands them out (names
// compared ignoring case, ties in the folder's own order), then its
// subfolders in the same order. Links, pipes, sockets and devices are not
// listed, as the simulated machine lists none of them. An entry the walk
// would skip for its Windows path (a name holding '\', a path of 260
// characters or more) is left out too, so that counting the files here
// counts what the engine counts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

const size_t kWalkPathLimit = 260;  // the engine's path buffers

struct WalkListing {
    std::string names;                  // every kept name, each ended by '\0'
    std::vector<uint32_t> files;        // offsets into names, in walk order
    std::vector<uint32_t> subfolders;   // likewise

    const char* Name(uint32_t offset) const { return names.c_str() + offset; }
};

// Reads the folder open as `dirfd` from where its descriptor stands (a
// fresh one: from the start), whose Windows path with its closing
// '\' is `windowsPrefixLength` characters long ("C:\" is 3). False when
// the folder cannot be read (*listing then holds what was read).
bool ListInWalkOrder(int dirfd, size_t windowsPrefixLength, WalkListing* listing);
