#include "mailer/job/job_extension.h"

#include <cstring>

namespace quorvane3 {

namespace {

void PutWord(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint32_t Word(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// Takes one length-prefixed text off the front of `bytes`.
bool TakeText(std::string_view& bytes, std::string& out) {
    if (bytes.size() < 4) return false;
    const std::uint32_t length = Word(bytes, 0);
    bytes.remove_prefix(4);
    if (length > bytes.size()) return false;
    out.assign(bytes.data(), length);
    bytes.remove_prefix(length);
    return true;
}

}  // namespace

bool IsJobTrailerMagic(const char* magic) {
    return std::memcmp(magic, kJobExtensionMagic, sizeof kJobExtensionMagic) == 0 ||
           std::memcmp(magic, kJobFlagsExtensionMagic, sizeof kJobFlagsExtensionMagic) == 0;
}

std::string EncodeJobExtension(const JobExtension& extension, std::uint64_t fileSize) {
    const bool withFlags = extension.flags != 0;
    std::string out;
    PutWord(out, extension.security);
    if (withFlags) PutWord(out, extension.flags);
    PutWord(out, static_cast<std::uint32_t>(extension.user.size()));
    out += extension.user;
    PutWord(out, static_cast<std::uint32_t>(extension.password.size()));
    out += extension.password;
    const std::uint32_t length = static_cast<std::uint32_t>(out.size());
    PutWord(out, static_cast<std::uint32_t>(fileSize));
    PutWord(out, length);
    out.append(withFlags ? kJobFlagsExtensionMagic : kJobExtensionMagic, 4);
    return out;
}

std::optional<JobExtension> DecodeJobExtension(std::string_view tail, std::uint64_t fileSize,
                                               std::uint64_t headSize) {
    if (tail.size() < kJobTrailerSize || tail.size() > fileSize) return std::nullopt;
    const std::string_view trailer = tail.substr(tail.size() - kJobTrailerSize);
    if (!IsJobTrailerMagic(trailer.data() + 8)) return std::nullopt;
    const bool withFlags = std::memcmp(trailer.data() + 8, kJobFlagsExtensionMagic,
                                       sizeof kJobFlagsExtensionMagic) == 0;
    const std::uint64_t offset = Word(trailer, 0);
    const std::uint64_t length = Word(trailer, 4);
    const std::uint64_t tailStart = fileSize - tail.size();
    if (offset < headSize || offset < tailStart || offset + length + kJobTrailerSize != fileSize) {
        return std::nullopt;
    }
    std::string_view bytes = tail.substr(offset - tailStart, length);
    const std::size_t words = withFlags ? 8 : 4;
    if (bytes.size() < words) return std::nullopt;
    JobExtension extension;
    extension.security = Word(bytes, 0);
    if (withFlags) extension.flags = Word(bytes, 4);
    bytes.remove_prefix(words);
    if (!TakeText(bytes, extension.user) || !TakeText(bytes, extension.password) ||
        !bytes.empty()) {
        return std::nullopt;
    }
    return extension;
}

}  // namespace quorvane3
