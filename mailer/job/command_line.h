#ifndef QUORVANE3_JOB_COMMAND_LINE_H
#define QUORVANE3_JOB_COMMAND_LINE_H

#include <string>

namespace quorvane3 {

// The job path of a run: its command-line arguments (without the program
// name) joined by single blanks, so a path holding blanks may be passed
// quoted or unquoted. No arguments give an empty text.
std::string JobPathFromArguments(int argc, const char* const* argv);

}  // namespace quorvane3

#endif
