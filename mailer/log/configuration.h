#ifndef QUORVANE3_LOG_CONFIGURATION_H
#define QUORVANE3_LOG_CONFIGURATION_H

#include <string>

namespace quorvane3 {

// quorvane3's settings in section PROGRAM of its configuration file; the
// program never writes that file.

// LOGLEVEL: how much the send log records when the job gives no level; 0
// (nothing) when missing.
int ReadConfiguredLogLevel();

// MAILER: the X-Mailer text when the job gives none; empty when missing.
std::string ReadConfiguredMailerName();

// The X-Mailer text when neither the job nor the configuration gives one.
inline constexpr const char* kDefaultMailerName = "QUORVANE3 1.1";

}  // namespace quorvane3

#endif
