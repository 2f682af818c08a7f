#include "mailer/net/fatal_error.h"

#include <cstdlib>

namespace quorvane3 {

namespace {
FatalHook g_hook = nullptr;
}

void FatalAppExit(const char* reason) {
    if (g_hook) g_hook(reason);
    // At once: no destructors, no buffered output, no half-finished session.
    std::_Exit(1);
}

FatalHook SetFatalHook(FatalHook hook) {
    FatalHook old = g_hook;
    g_hook = hook;
    return old;
}

}  // namespace quorvane3
