#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane3 {

// The optional part of a mail job file that carries the session's security
// and login. It follows the texts the head points at, and a fixed trailer
// ends the file: the extension's offset and length (32-bit little-endian
// words) and a magic word. A file without that trailer is a job as it always
// was; the head and its fields never change.
//
// "Q3X1" layout: security word (0 none, 1 STARTTLS, 2 SSL/TLS), then the
// user name and the password, each as a length word and its bytes.
// "Q3X2" layout: the security word, a flags word, then the user name and
// the password as in "Q3X1". A job without flags is still written as "Q3X1".
struct JobExtension {
    std::uint32_t security = 0;
    std::uint32_t flags = 0;
    std::string user;
    std::string password;
};

// Flag: the sender reports the run's outcome beside the job
// (delivery_outcome.h) and keeps the job when the failure may pass, so that
// it can be sent again.
inline constexpr std::uint32_t kJobTracked = 1;

inline constexpr std::uint32_t kLastJobSecurity = 2;
inline constexpr char kJobExtensionMagic[4] = {'Q', '3', 'X', '1'};
inline constexpr char kJobFlagsExtensionMagic[4] = {'Q', '3', 'X', '2'};
inline constexpr std::size_t kJobTrailerSize = 12;

// Whether the four bytes at `magic` are one of the trailer's magic words.
bool IsJobTrailerMagic(const char* magic);

// The extension and trailer to append to a job file of `fileSize` bytes.
std::string EncodeJobExtension(const JobExtension& extension, std::uint64_t fileSize);

// Finds the extension in a whole job file's last bytes: `tail` is the end of
// the file (at most its last `fileSize` bytes), `fileSize` the file's size
// and `headSize` the part the head and its texts may use. Nothing when the
// trailer is missing or does not describe a well-formed extension behind
// the head.
std::optional<JobExtension> DecodeJobExtension(std::string_view tail, std::uint64_t fileSize,
                                               std::uint64_t headSize);

}  // namespace quorvane3
