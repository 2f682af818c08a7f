#include "mailer/job/timeout_config.h"

#include "mailer/sys/profile_reader.h"

namespace quorvane3 {

SmtpTimeouts ReadConfiguredTimeouts(const std::string& path) {
    const int seconds = ReadProfileInt(path, "PROGRAM", "TIMEOUT", 0);
    if (seconds <= 0) return SmtpTimeouts{};
    return SmtpTimeouts::Uniform(std::chrono::seconds(seconds));
}

SmtpTimeouts ReadConfiguredTimeouts() {
    return ReadConfiguredTimeouts(ConfigurationFilePath());
}

}  // namespace quorvane3
