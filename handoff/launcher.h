#pragma once

#include <string>

namespace handoff {

enum class StartResult {
    kStarted,     // the program is running on its own
    kNoProgram,   // the program does not exist or cannot be executed
    kNotStarted,  // no process could be created
};

// Starts `program` with the single argument `argument`, detached: the
// program runs in a session of its own with stdin, stdout and stderr on
// /dev/null and no other descriptor of the caller, and it is not a child of
// the caller, so nothing is left for the caller to reap. Returns once the
// program has been executed (or has failed to be). No shell is involved.
// Safe to call from several threads at once.
StartResult StartDetached(const std::string& program, const std::string& argument);

}  // namespace handoff
