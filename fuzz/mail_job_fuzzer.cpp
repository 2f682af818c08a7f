// Feeds arbitrary bytes to the job reader as a job file and to the field
// parsers, and checks that what comes back could only have come from the file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "mailer/job/job_fields.h"
#include "mailer/job/mail_job.h"

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

const std::string& JobPath() {
    static const std::string path = [] {
        std::string pattern = "/tmp/q3fuzzjob.XXXXXX";
        const int fd = ::mkstemp(pattern.data());
        if (fd >= 0) ::close(fd);
        return pattern;
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::FILE* file = std::fopen(JobPath().c_str(), "wb");
    if (file == nullptr) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    quorvane3::MailJob job;
    if (quorvane3::ReadMailJob(JobPath(), job)) {
        Check(size >= 96, "a job shorter than its head was read");
        for (const std::string* text : {&job.serverHost, &job.spareHost, &job.toList, &job.ccList,
                                        &job.fromField, &job.replyTo, &job.subject, &job.bodyText,
                                        &job.attachmentList, &job.logDir, &job.mailerName}) {
            Check(text->size() <= size, "a field longer than the file");
            Check(text->find('\0') == std::string::npos, "a NUL byte inside a text");
        }
        Check(job.bodyText.find('\r') == std::string::npos, "a CR left in the body");
        Check(job.mailerName.size() <= quorvane3::kMaxJobText, "mailer name too long");
        Check(job.fromField.find(job.senderAddress) != std::string::npos,
              "sender address not taken from the From field");
    }

    const quorvane3::ControlField control = quorvane3::ParseControlField(bytes);
    Check(control.logDir.size() <= size, "folder longer than the field");
    Check(control.logDir.find(',') == std::string::npos, "a comma in the folder");
    const std::string sender = quorvane3::DeriveSenderAddress(bytes);
    Check(bytes.find(sender) != std::string_view::npos, "sender not inside the field");
    return 0;
}
