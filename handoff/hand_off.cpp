#include "handoff/hand_off.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "handoff/latin1.h"
#include "handoff/launcher.h"
#include "handoff/spool.h"
#include "handoff/vb_quorvane3.h"
#include "mailer/job/delivery_outcome.h"
#include "mailer/job/job_extension.h"

namespace handoff {
namespace {

// quorvane3 keeps at most 259 bytes of the job path it is given.
constexpr std::size_t kJobPathMax = 259;
// Length of "/job-XXXXXX".
constexpr std::size_t kJobNameLength = 11;

bool IsBlank(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t'; });
}

bool CharsetIsUs(const std::string& name) {
    if (name.empty()) return true;
    return name.size() == 2 && (name[0] == 'U' || name[0] == 'u') &&
           (name[1] == 'S' || name[1] == 's');
}

// The job path and the log folder must not depend on the sender's working
// folder, so a relative spool folder is taken from the caller's.
std::string AbsoluteFolder(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    if (path.empty() || path[0] == '/') return path;
    char* cwd = ::getcwd(nullptr, 0);
    if (!cwd) return {};
    std::string absolute = std::string(cwd) + "/" + path;
    ::free(cwd);
    return absolute;
}

}  // namespace

int32_t BuildMailJob(const MailRequest& mail, const std::string& spoolDir, MailJobFields& job) {
    if (IsBlank(mail.serverHost) || (IsBlank(mail.toList) && IsBlank(mail.ccList)))
        return VBQ3_BAD_MAIL;
    if (mail.serverPort < 0 || mail.serverPort > 65535) return VBQ3_BAD_MAIL;
    if (mail.security < 0 || mail.security > static_cast<int32_t>(quorvane3::kLastJobSecurity))
        return VBQ3_BAD_MAIL;
    if (!CharsetIsUs(mail.charset)) return VBQ3_BAD_CHARSET;

    job = MailJobFields{};
    job.charsetCode = 0;
    job.disposeFlag = mail.disposeFlag;
    job.serverHost = mail.serverHost;
    job.serverPort = mail.serverPort;
    job.spareHost = mail.spareHost;
    job.sparePort = mail.sparePort;
    job.toList = Utf8ToLatin1(mail.toList);
    job.ccList = Utf8ToLatin1(mail.ccList);
    job.fromField = Utf8ToLatin1(mail.fromField);
    job.replyTo = Utf8ToLatin1(mail.replyTo);
    job.subject = Utf8ToLatin1(mail.subject);
    job.bodyText = Utf8ToLatin1(mail.bodyText);
    job.attachmentList = mail.attachmentList;
    job.controlField = MakeControlField(spoolDir, kJobLogLevel, Utf8ToLatin1(mail.mailerName));
    job.security = static_cast<uint32_t>(mail.security);
    job.userName = mail.userName;
    job.password = mail.password;
    job.flags = mail.tracked ? quorvane3::kJobTracked : 0;
    return VBQ3_OK;
}

int32_t HandOffMail(const MailRequest& mail, const HandOffPlaces& places, std::string* jobPathOut) {
    const std::string spoolDir = AbsoluteFolder(places.spoolDir);
    if (spoolDir.empty()) return VBQ3_NO_SPOOL;
    // The control field ends the folder at its first comma, and the job
    // path must reach quorvane3 whole.
    if (spoolDir.find(',') != std::string::npos || spoolDir.size() + kJobNameLength > kJobPathMax)
        return VBQ3_BAD_SPOOL_PATH;

    MailJobFields job;
    if (int32_t refused = BuildMailJob(mail, spoolDir, job); refused != VBQ3_OK) return refused;

    if (!MakePrivateDir(spoolDir)) return VBQ3_NO_SPOOL;
    std::string jobPath;
    if (!WriteMailJobFile(spoolDir, job, jobPath)) return VBQ3_JOB_NOT_WRITTEN;

    switch (StartDetached(places.program, jobPath)) {
        case StartResult::kStarted:
            if (jobPathOut) *jobPathOut = jobPath;
            return VBQ3_OK;
        case StartResult::kNoProgram:
            ::unlink(jobPath.c_str());
            return VBQ3_NO_PROGRAM;
        case StartResult::kNotStarted:
            break;
    }
    ::unlink(jobPath.c_str());
    return VBQ3_NOT_STARTED;
}

namespace {

// Only a regular file directly in the spool folder is a job that may be sent again.
bool IsSpooledJob(const std::string& jobPath, const std::string& spoolDir) {
    struct stat info {};
    if (jobPath.empty() || ::lstat(jobPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    std::error_code error;
    const auto folder =
        std::filesystem::canonical(std::filesystem::path(jobPath).parent_path(), error);
    if (error) return false;
    const auto spool = std::filesystem::canonical(spoolDir, error);
    return !error && folder == spool;
}

}  // namespace

int32_t ResendJob(const std::string& jobPath, const HandOffPlaces& places) {
    if (!IsSpooledJob(jobPath, AbsoluteFolder(places.spoolDir))) return VBQ3_NO_JOB;
    ::unlink(quorvane3::OutcomeRecordPath(jobPath).c_str());
    switch (StartDetached(places.program, jobPath)) {
        case StartResult::kStarted: return VBQ3_OK;
        case StartResult::kNoProgram: return VBQ3_NO_PROGRAM;
        case StartResult::kNotStarted: break;
    }
    return VBQ3_NOT_STARTED;
}

}  // namespace handoff
