#include "mailer/job/mail_job.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "mailer/job/job_extension.h"
#include "mailer/job/job_fields.h"

namespace quorvane3 {

namespace {

constexpr std::size_t kHeadSize = 96;
constexpr std::size_t kTableWords = 23;

// Word indexes of the table that follows the charset word.
enum Word : std::size_t {
    kDispose = 0,
    kServerOffset,
    kServerLength,
    kServerPort,
    kSpareOffset,
    kSpareLength,
    kSparePort,
    kToOffset,
    kToLength,
    kCcOffset,
    kCcLength,
    kFromOffset,
    kFromLength,
    kReplyOffset,
    kReplyLength,
    kSubjectOffset,
    kSubjectLength,
    kBodyOffset,
    kBodyLength,
    kAttachOffset,
    kAttachLength,
    kControlOffset,
    kControlLength,
};

uint32_t LittleEndian32(const unsigned char* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// The open job file; closed when the reader is done with it, however it ends.
class JobFile {
public:
    explicit JobFile(const std::string& path) {
        struct stat info {};
        // A FIFO or a device must never be opened: opening or reading it may block.
        if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) return;
        if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
            Close();
            return;
        }
        size_ = static_cast<uint64_t>(info.st_size);
    }
    ~JobFile() { Close(); }
    JobFile(const JobFile&) = delete;
    JobFile& operator=(const JobFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    uint64_t Size() const { return size_; }

    // Reads exactly `length` bytes at `offset`; false when the file holds fewer.
    bool ReadAt(uint64_t offset, std::size_t length, void* out) {
        // Checked before anything is allocated for the field, so a length
        // near 4 GiB in a small file costs nothing.
        if (offset > size_ || length > size_ - offset) return false;
        auto* p = static_cast<unsigned char*>(out);
        while (length > 0) {
            const ssize_t got = ::pread(fd_, p, length, static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            p += got;
            offset += static_cast<uint64_t>(got);
            length -= static_cast<std::size_t>(got);
        }
        return true;
    }

    // Reads a text field whole; the text ends at its first NUL byte, as a
    // terminated text would, so every part of the program sees the same text.
    bool ReadText(uint32_t offset, uint32_t length, std::string& out) {
        if (uint64_t{offset} > size_ || uint64_t{length} > size_ - offset) return false;
        std::string text(length, '\0');
        if (!ReadAt(offset, length, text.data())) return false;
        if (const std::size_t nul = text.find('\0'); nul != std::string::npos) text.resize(nul);
        out = std::move(text);
        return true;
    }

    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
    uint64_t size_ = 0;
};

// The extension, when the file ends with its trailer; false only for a
// security mode this sender does not know.
bool ReadExtension(JobFile& file, MailJob& job) {
    const uint64_t size = file.Size();
    if (size < kHeadSize + kJobTrailerSize) return true;
    std::string trailer(kJobTrailerSize, '\0');
    if (!file.ReadAt(size - kJobTrailerSize, kJobTrailerSize, trailer.data()) ||
        !IsJobTrailerMagic(trailer.data() + 8)) {
        return true;
    }
    const uint64_t offset = LittleEndian32(reinterpret_cast<const unsigned char*>(trailer.data()));
    if (offset < kHeadSize || offset >= size) return true;
    std::string tail(size - offset, '\0');
    if (!file.ReadAt(offset, tail.size(), tail.data())) return true;
    std::optional<JobExtension> extension = DecodeJobExtension(tail, size, kHeadSize);
    if (!extension) return true;
    // Known even for a job refused below, so that its refusal can be reported.
    job.tracked = (extension->flags & kJobTracked) != 0;
    if (extension->security > kLastJobSecurity) return false;
    job.hasExtension = true;
    job.security = extension->security;
    job.userName = std::move(extension->user);
    job.password = std::move(extension->password);
    return true;
}

}  // namespace

bool ReadMailJob(const std::string& jobPath, MailJob& job) {
    // A longer command line cannot be held whole; cutting it could name (and
    // at the end of the run delete) some other file, so such a job is refused.
    if (jobPath.size() > kMaxJobText) return false;
    job.jobPath = jobPath;

    JobFile file(jobPath);
    if (!file.IsOpen()) return false;

    std::array<unsigned char, kHeadSize> head{};
    if (!file.ReadAt(0, 4, head.data())) return false;
    job.charsetCode = LittleEndian32(head.data());
    if (!file.ReadAt(4, kHeadSize - 4, head.data() + 4)) return false;
    std::array<uint32_t, kTableWords> word{};
    for (std::size_t i = 0; i < kTableWords; ++i) word[i] = LittleEndian32(&head[4 + 4 * i]);

    job.disposeFlag = static_cast<int32_t>(word[kDispose]);
    job.serverPort = static_cast<uint16_t>(word[kServerPort]);
    job.sparePort = static_cast<uint16_t>(word[kSparePort]);

    if (!file.ReadText(word[kServerOffset], word[kServerLength], job.serverHost)) return false;
    if (!file.ReadText(word[kSpareOffset], word[kSpareLength], job.spareHost)) return false;
    if (!file.ReadText(word[kToOffset], word[kToLength], job.toList)) return false;
    if (!file.ReadText(word[kCcOffset], word[kCcLength], job.ccList)) return false;
    if (word[kAttachLength] >= 4) {
        if (!file.ReadText(word[kAttachOffset], word[kAttachLength], job.attachmentList)) {
            return false;
        }
    } else {
        job.attachmentList.clear();
    }
    if (!file.ReadText(word[kFromOffset], word[kFromLength], job.fromField)) return false;
    job.senderAddress = DeriveSenderAddress(job.fromField);
    if (!file.ReadText(word[kReplyOffset], word[kReplyLength], job.replyTo)) return false;
    if (!file.ReadText(word[kSubjectOffset], word[kSubjectLength], job.subject)) return false;
    // The stored length decides: a longer field that starts with NUL is an
    // empty subject, not a missing one.
    if (word[kSubjectLength] < 2) job.subject = "None";
    if (!file.ReadText(word[kBodyOffset], word[kBodyLength], job.bodyText)) return false;
    std::erase(job.bodyText, '\r');

    std::string control;
    if (!file.ReadText(word[kControlOffset], word[kControlLength], control)) return false;
    ControlField parsed = ParseControlField(control);
    job.logDir = std::move(parsed.logDir);
    job.logLevel = parsed.logLevel;
    job.mailerName = std::move(parsed.mailerName);
    const bool extensionRead = ReadExtension(file, job);
    file.Close();
    return extensionRead;
}

}  // namespace quorvane3
