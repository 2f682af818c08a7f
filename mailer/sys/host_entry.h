#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Layout of a finished host lookup in the caller's result buffer: a 32-bit
// count followed by that many IPv4 addresses (host byte order), as many as fit.

namespace quorvane3::sys {

// Writes the entry; returns the bytes used (0 when not even the count fits).
std::size_t WriteHostEntry(char* buffer, std::size_t size, const std::vector<std::uint32_t>& addresses);

// The address at index; false past the end of the list.
bool HostEntryAddress(const char* buffer, std::size_t size, std::size_t index, std::uint32_t* address);

}  // namespace quorvane3::sys
