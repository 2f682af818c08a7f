#pragma once

#include <QString>
#include <cstdint>

namespace ossivant {

// Status of MakeDirPath when a folder could not be created.
constexpr std::int32_t kErrorCannotMake = 82;

// Creates every missing folder of an absolute path. Returns 0 on success,
// 2 when the path has no drive part (relative, or a "//" network share),
// 3 when it is blank and 82 when a folder cannot be created (the folders
// before it stay). Doubled separators count as one.
std::int32_t MakeDirPath(const QString& path);

}  // namespace ossivant
