#include "mailer/job/command_line.h"

namespace quorvane3 {

std::string JobPathFromArguments(int argc, const char* const* argv) {
    std::string path;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) path += ' ';
        path += argv[i];
    }
    return path;
}

}  // namespace quorvane3
