#pragma once

// Internal errors that should never happen (an unexpected socket event, an
// invalid SMTP reply) end the process at once with exit code 1. Nothing is
// shown or logged; the reason exists only for the hook.

namespace quorvane3 {

using FatalHook = void (*)(const char* reason);

// Runs the hook (if any) and ends the process with exit code 1.
[[noreturn]] void FatalAppExit(const char* reason);

// Installs a hook that sees the reason just before the process ends; returns
// the previous one. Tests use it to tell which fatal error ended a child.
FatalHook SetFatalHook(FatalHook hook);

}  // namespace quorvane3
