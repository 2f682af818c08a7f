#include "mailer/sys/temp_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

namespace quorvane3::sys {

std::FILE* CreateTempFile(const std::string& prefix, std::string* path) {
    const char* tmp = std::getenv("TMPDIR");
    std::string name = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + "XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        path->clear();
        return nullptr;
    }
    *path = name;
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) ::close(fd);
    return file;
}

}  // namespace quorvane3::sys
