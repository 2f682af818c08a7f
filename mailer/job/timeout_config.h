#pragma once

#include <string>

#include "mailer/net/smtp_timeouts.h"

namespace quorvane3 {

// The SMTP session's time-outs from key TIMEOUT of section PROGRAM in the
// configuration file at `path`: a number of seconds above 0 bounds every
// step (connect, each reply, each data block) by that time; missing, 0 or
// negative keeps the client time-outs of RFC 5321 section 4.5.3.2.
SmtpTimeouts ReadConfiguredTimeouts(const std::string& path);
SmtpTimeouts ReadConfiguredTimeouts();

}  // namespace quorvane3
