#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace handoff {

// Everything one mail job file holds. Texts are the raw single-byte texts
// that go into the file, already in the job's character set.
struct MailJobFields {
    uint32_t charsetCode = 0;
    int32_t disposeFlag = 0;
    std::string serverHost;
    int32_t serverPort = 0;
    std::string spareHost;
    int32_t sparePort = 0;
    std::string toList;
    std::string ccList;
    std::string fromField;
    std::string replyTo;
    std::string subject;
    std::string bodyText;
    std::string attachmentList;
    std::string controlField;
    // The optional extension: written when security, a user name or a flag is set.
    uint32_t security = 0;  // 0 none, 1 STARTTLS, 2 SSL/TLS
    std::string userName;
    std::string password;
    uint32_t flags = 0;  // quorvane3::kJobTracked
};

// Size of the fixed head: the charset word and the table of 23 words.
inline constexpr std::size_t kJobHeadSize = 96;

// The bytes of the job file for `job`: the 96-byte head, then the texts in
// head order (serverHost, spareHost, toList, ccList, fromField, replyTo,
// subject, bodyText, attachmentList, controlField), each at the offset the
// head gives; then, for a job with security, a user name or flags, the
// extension and its trailer (mailer/job/job_extension.h). Returns false,
// leaving `out` untouched, when the texts do not fit 32-bit offsets.
bool EncodeMailJob(const MailJobFields& job, std::string& out);

// The control field that names the log folder, the log level and the
// mailer name: "dir,level,mailer". The reader takes the text after the last
// comma as the mailer name, so commas in `mailerName` become blanks. A
// mailer name longer than the reader keeps (259 bytes) is cut.
std::string MakeControlField(std::string_view logDir, int logLevel, std::string_view mailerName);

// Writes `job` into a new, uniquely named file "job-XXXXXX" (mode 0600) in
// `dir`. On success returns true and the file's path in `jobPath`; on
// failure no file is left behind.
bool WriteMailJobFile(const std::string& dir, const MailJobFields& job, std::string& jobPath);

}  // namespace handoff
