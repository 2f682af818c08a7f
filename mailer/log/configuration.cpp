#include "mailer/log/configuration.h"

#include "mailer/job/mail_job.h"
#include "mailer/sys/profile_reader.h"

namespace quorvane3 {

int ReadConfiguredLogLevel() {
    return ReadProfileInt(ConfigurationFilePath(), "PROGRAM", "LOGLEVEL", 0);
}

std::string ReadConfiguredMailerName() {
    return ReadProfileString(ConfigurationFilePath(), "PROGRAM", "MAILER", "", kMaxJobText);
}

}  // namespace quorvane3
