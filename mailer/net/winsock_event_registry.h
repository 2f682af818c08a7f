#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>

#include "mailer/sys/event_loop.h"

namespace quorvane3 {

// Message numbers on the event window.
inline constexpr unsigned kMsgAsyncRequestFirst = sys::kWmUser + 0;
inline constexpr unsigned kMsgAsyncRequestLast = sys::kWmUser + 5;
inline constexpr unsigned kMsgHostLookup = sys::kWmUser + 1;
inline constexpr unsigned kMsgSocketNotice = sys::kWmUser + 6;

// Kinds of registered handles.
inline constexpr int kKindAsyncRequest = 0;
inline constexpr int kKindSocket = 1;

// Receiver of the event window's notices for one socket or request.
class CWinsockEventCallback {
public:
    virtual ~CWinsockEventCallback() = default;
    virtual void OnEvent(sys::Hwnd hwnd, unsigned msg, sys::WParam w, sys::LParam l) = 0;
};

// Process-wide routing table: at most one receiver per (handle, kind). A
// failed Register or Deregister is an internal error and ends the process.
class CWinsockEventRegistry {
public:
    static CWinsockEventRegistry& Instance();

    void Register(std::uintptr_t handle, int kind, CWinsockEventCallback* receiver);
    void Deregister(std::uintptr_t handle, int kind);
    CWinsockEventCallback* Find(std::uintptr_t handle, int kind) const;
    std::size_t Size() const { return entries_.size(); }

private:
    std::map<std::pair<std::uintptr_t, int>, CWinsockEventCallback*> entries_;
};

// The socket layer's start-up result: 0, or the error that keeps the layer
// from working (the event loop could not make its wake-up channel).
int SocketStartupError();

// Creates the hidden event window of class "WSAEventWindow" that routes
// notices through the registry; false when it exists already or creation
// fails.
bool CreateEventWindow();
// Destroys it (nothing when there is none).
void DestroyEventWindow();
// The event window's handle; 0 when there is none.
sys::Hwnd EventWindow();

}  // namespace quorvane3
