#ifndef QUORVANE3_SYS_REGULAR_FILE_H
#define QUORVANE3_SYS_REGULAR_FILE_H

#include <sys/types.h>

#include <cstdio>
#include <string>

namespace quorvane3::sys {

// Opens only regular files, and never waits while doing so: a FIFO, a device
// or a folder at `path` is refused as if the file could not be opened, so
// nothing the sender reads or appends to can hang it or feed it bytes without
// end. An existing path is looked at before it is opened (a device is never
// opened at all); the open itself is non-blocking, the opened file is checked
// again, and the descriptor then blocks as usual. `flags` are those of
// open(2); close-on-exec and no-controlling-terminal are always added.
// Returns the descriptor, or -1 with errno set (EINVAL: not a regular file).
int OpenRegularFile(const std::string& path, int flags, mode_t mode = 0);

// OpenRegularFile for reading, as a binary stdio stream; null when refused.
std::FILE* OpenRegularFileForReading(const std::string& path);

}  // namespace quorvane3::sys

#endif
