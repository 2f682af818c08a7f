#ifndef QUORVANE3_MIME_BOUNDARY_H
#define QUORVANE3_MIME_BOUNDARY_H

#include <cstddef>
#include <cstdint>
#include <functional>

namespace quorvane3 {

// Buffer size of a multipart boundary and its length (without the NUL).
inline constexpr std::size_t kBoundaryBuffer = 30;
inline constexpr std::size_t kBoundaryLength = 29;

// Writes a multipart boundary into out[0, size): the prefix "=_ Boundary "
// and then, up to size - 1, characters of the RFC 2046 boundary set (without
// the space) that vary with the millisecond and a random number; NUL-terminated.
void MakeBoundary(char* out, std::size_t size);

// The same with the millisecond and the random source given, for callers
// that need a repeatable boundary. `nextRandom` is asked once per position.
void MakeBoundary(char* out, std::size_t size, unsigned milliseconds,
                  const std::function<uint32_t()>& nextRandom);

}  // namespace quorvane3

#endif
