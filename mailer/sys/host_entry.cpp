#include "mailer/sys/host_entry.h"

#include <cstring>

namespace quorvane3::sys {

std::size_t WriteHostEntry(char* buffer, std::size_t size,
                           const std::vector<std::uint32_t>& addresses) {
    constexpr std::size_t kWord = sizeof(std::uint32_t);
    if (size < kWord) return 0;
    std::uint32_t count = 0;
    std::size_t used = kWord;
    for (std::uint32_t a : addresses) {
        if (used + kWord > size) break;
        std::memcpy(buffer + used, &a, kWord);
        used += kWord;
        ++count;
    }
    std::memcpy(buffer, &count, kWord);
    return used;
}

bool HostEntryAddress(const char* buffer, std::size_t size, std::size_t index,
                      std::uint32_t* address) {
    constexpr std::size_t kWord = sizeof(std::uint32_t);
    if (size < kWord) return false;
    std::uint32_t count = 0;
    std::memcpy(&count, buffer, kWord);
    if (index >= count || kWord * (index + 2) > size) return false;
    std::memcpy(address, buffer + kWord * (index + 1), kWord);
    return true;
}

}  // namespace quorvane3::sys
