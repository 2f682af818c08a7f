#include "mailer/mime/boundary.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>

namespace quorvane3 {

namespace {

constexpr char kPrefix[] = "=_ Boundary ";
constexpr std::size_t kPrefixLength = sizeof kPrefix - 1;
constexpr char kBoundaryChars[] =
    "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ'()+_,-./:=?";
constexpr std::size_t kBoundaryCharCount = sizeof kBoundaryChars - 1;
static_assert(kBoundaryCharCount == 74);

uint32_t NextRandom() {
    // Seeded once per thread, so two runs in the same millisecond still differ.
    thread_local std::mt19937 generator = [] {
        std::random_device device;
        std::seed_seq seed{device(), device(),
                           static_cast<unsigned>(
                               std::chrono::steady_clock::now().time_since_epoch().count())};
        return std::mt19937(seed);
    }();
    return static_cast<uint32_t>(generator());
}

}  // namespace

void MakeBoundary(char* out, std::size_t size, unsigned milliseconds,
                  const std::function<uint32_t()>& nextRandom) {
    if (size == 0) return;
    const std::size_t prefix = std::min(kPrefixLength, size - 1);
    std::memcpy(out, kPrefix, prefix);
    for (std::size_t position = prefix; position + 1 < size; ++position) {
        const uint64_t index =
            uint64_t{milliseconds} + uint64_t{nextRandom() % 100} * 3 + uint64_t{position} * 2;
        out[position] = kBoundaryChars[index % kBoundaryCharCount];
    }
    out[size - 1] = '\0';
}

void MakeBoundary(char* out, std::size_t size) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto milliseconds =
        static_cast<unsigned>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count() %
                              1000);
    MakeBoundary(out, size, milliseconds, NextRandom);
}

}  // namespace quorvane3
