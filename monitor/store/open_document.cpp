#include "monitor/store/open_document.h"

namespace ossivant {

namespace {
constexpr std::int32_t kOutOfResources = 8;
}

std::int32_t OpenDocument(Shell& shell, const QString& target) {
    const int result = shell.openDocument(target);
    if (result > 32) return 0;
    // The shell reports "out of resources" as 0, which must not read as success.
    return result >= 1 ? result : kOutOfResources;
}

}  // namespace ossivant
