#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane3 {

// The Date header text for a local time and the zone bias (minutes to add
// to local time to get UTC; empty when unknown, which reads "error"):
// "Tue, 22 Dec 1998 19:52:45  +0900". UTC reads "-0000".
std::string FormatDate(const std::tm& localTime, std::optional<long> biasMinutes);
// The same for now.
std::string FormatDate();

// The Message-ID text (without brackets) for a local time, the local host
// name, the run's message counter and the SMTP server's host name:
// month day year-1900 hour minute second "." counter "." digits "@" server,
// the digits being the first five bytes of the host name, each as its value
// modulo 100 (a byte of 0x80 or more counted as the 32-bit unsigned value
// of its sign-extension).
std::string MakeMessageId(const std::tm& localTime, std::string_view localHost,
                          unsigned long counter, std::string_view serverHost);
// The same for now and this host; the run's counter starts at 0 and goes up
// by one per call.
std::string MakeMessageId(std::string_view serverHost);

}  // namespace quorvane3
