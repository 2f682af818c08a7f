#include "handoff/mail_job_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <vector>

#include "mailer/job/job_extension.h"

namespace handoff {
namespace {

constexpr std::size_t kMailerNameMax = 259;

void PutWord(std::string& out, std::size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

bool WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool EncodeMailJob(const MailJobFields& job, std::string& out) {
    struct Text {
        const std::string* text;
        std::size_t offsetAt;  // head position of the offset word; the length follows it
    };
    const Text texts[] = {
        {&job.serverHost, 8},      {&job.spareHost, 20},    {&job.toList, 32},  {&job.ccList, 40},
        {&job.fromField, 48},      {&job.replyTo, 56},      {&job.subject, 64}, {&job.bodyText, 72},
        {&job.attachmentList, 80}, {&job.controlField, 88},
    };
    std::size_t total = kJobHeadSize;
    for (const Text& t : texts) total += t.text->size();
    if (total > std::numeric_limits<uint32_t>::max()) return false;

    std::string file(kJobHeadSize, '\0');
    file.reserve(total);
    PutWord(file, 0, job.charsetCode);
    PutWord(file, 4, static_cast<uint32_t>(job.disposeFlag));
    PutWord(file, 16, static_cast<uint32_t>(job.serverPort));
    PutWord(file, 28, static_cast<uint32_t>(job.sparePort));
    for (const Text& t : texts) {
        PutWord(file, t.offsetAt, static_cast<uint32_t>(file.size()));
        PutWord(file, t.offsetAt + 4, static_cast<uint32_t>(t.text->size()));
        file += *t.text;
    }
    if (job.security != 0 || !job.userName.empty() || job.flags != 0) {
        const std::string extension = quorvane3::EncodeJobExtension(
            quorvane3::JobExtension{job.security, job.flags, job.userName, job.password},
            file.size());
        if (file.size() + extension.size() > std::numeric_limits<uint32_t>::max()) return false;
        file += extension;
    }
    out = std::move(file);
    return true;
}

std::string MakeControlField(std::string_view logDir, int logLevel, std::string_view mailerName) {
    std::string mailer(mailerName.substr(0, kMailerNameMax));
    for (char& c : mailer)
        if (c == ',') c = ' ';
    std::string field(logDir);
    field += ',';
    field += std::to_string(logLevel);
    field += ',';
    field += mailer;
    return field;
}

bool WriteMailJobFile(const std::string& dir, const MailJobFields& job, std::string& jobPath) {
    std::string bytes;
    if (!EncodeMailJob(job, bytes)) return false;

    std::string name = dir + "/job-XXXXXX";
    std::vector<char> path(name.begin(), name.end());
    path.push_back('\0');
    int fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0) return false;
    // A full disk may only show at fsync or close; either way the job is not written.
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    if (::close(fd) != 0) ok = false;
    if (!ok) {
        ::unlink(path.data());
        return false;
    }
    jobPath.assign(path.data());
    return true;
}

}  // namespace handoff
