#ifndef QUORVANE3_JOB_MAIL_JOB_H
#define QUORVANE3_JOB_MAIL_JOB_H

#include <cstdint>
#include <string>

namespace quorvane3 {

// The one mail job of a run, filled once by ReadMailJob and then only read
// (by the message composer and the send log). Texts are raw single-byte text
// in the sender's code page; each std::string carries its byte length. A
// text field of the file ends at its first NUL byte: no text here holds one.
struct MailJob {
    uint32_t charsetCode = 0;
    int32_t disposeFlag = 0;
    std::string serverHost;
    uint16_t serverPort = 0;
    std::string spareHost;  // read and kept, never used
    uint16_t sparePort = 0;  // read and kept, never used
    std::string toList;
    std::string ccList;
    std::string fromField;
    std::string replyTo;
    std::string subject;
    std::string bodyText;
    std::string attachmentList;

    // Derived while reading.
    std::string senderAddress;  // envelope sender taken out of fromField
    std::string logDir;         // folder of the send log and the marker files
    int32_t logLevel = -1;      // -1: the job gives none
    std::string mailerName;     // empty: the job gives none
    std::string jobPath;        // the command-line text

    // From the job's optional extension (job_extension.h).
    bool hasExtension = false;
    uint32_t security = 0;  // 0 none, 1 STARTTLS, 2 SSL/TLS
    std::string userName;
    std::string password;
    bool tracked = false;  // report the outcome and keep the job for a resend
};

// Longest jobPath and mailerName, in bytes.
inline constexpr std::size_t kMaxJobText = 259;

// Reads the job file at `jobPath` into `job`. Returns false when the file is
// missing, is not a regular file, cannot be opened for reading and writing,
// or any field lies (partly) outside it, or its extension names a security
// mode that does not exist; `job` then keeps only what was read before the
// failure (for an unknown security mode, also whether the job is tracked).
// The file is never changed and stays on disk.
bool ReadMailJob(const std::string& jobPath, MailJob& job);

}  // namespace quorvane3

#endif
