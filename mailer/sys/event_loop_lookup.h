#pragma once

// Internal to the event loop: the state a host lookup shares between the
// loop's thread and the helper thread that resolves it.

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "mailer/sys/event_loop.h"

namespace quorvane3::sys {

struct EventLoop::Lookup {
    std::mutex mutex;
    // Written by the helper under the mutex.
    bool done = false;
    int error = 0;
    std::vector<std::uint32_t> addresses;
    // Set by the loop under the mutex when nobody waits for the answer.
    bool orphaned = false;
    // Loop side only.
    Hwnd hwnd = 0;
    unsigned msg = 0;
    char* buffer = nullptr;
    std::size_t size = 0;
};

}  // namespace quorvane3::sys
