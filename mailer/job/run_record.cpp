#include "mailer/job/run_record.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "mailer/job/copy_coordination.h"
#include "mailer/sys/regular_file.h"

namespace quorvane3 {

int32_t RunRecordValue(const sys::LocalTime& now) {
    return now.fields.tm_hour * 1000000 + now.fields.tm_min * 10000 + now.fields.tm_sec * 100 +
           now.milliseconds % 100;
}

bool AppendRunRecord(const std::string& logDir, const sys::LocalTime& now) {
    const std::string path = RunRecordPath(logDir);
    // O_APPEND: copies appending at the same moment each get their own four bytes.
    const int fd = sys::OpenRegularFile(path, O_WRONLY | O_APPEND | O_CREAT, 0644);
    if (fd < 0) return false;
    const auto value = static_cast<uint32_t>(RunRecordValue(now));
    const unsigned char bytes[4] = {
        static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
        static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    ssize_t written;
    while ((written = ::write(fd, bytes, sizeof bytes)) < 0 && errno == EINTR) {
    }
    ::close(fd);
    return written == sizeof bytes;
}

}  // namespace quorvane3
