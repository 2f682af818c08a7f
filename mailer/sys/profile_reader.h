#ifndef QUORVANE3_SYS_PROFILE_READER_H
#define QUORVANE3_SYS_PROFILE_READER_H

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvane3 {

// Reads values from an INI-style settings file the way the platform's
// profile-string functions do: "[section]" headers and "key=value" lines,
// section and key names compared without regard to case, blanks around names
// and values trimmed, a value in matching quotes unquoted, the first match
// winning. Lines starting with ';' are comments. A missing file, section or
// key gives the default, and so does a path that names no regular file (a
// FIFO there is never waited on). Every call reads the file afresh; it is
// never written.

// The value of `key` in `section`, cut to `maxLength` bytes.
std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view defaultValue,
                              std::size_t maxLength);

// The integer read from the leading digits of the value (blanks and a sign
// allowed before them; no digits give 0). A missing or empty value gives
// the default.
int ReadProfileInt(const std::string& path, std::string_view section, std::string_view key,
                   int defaultValue);

// quorvane3's configuration file: $QUORVANE3_INI when set and not empty,
// else /etc/quorvane3.ini.
std::string ConfigurationFilePath();

}  // namespace quorvane3

#endif
