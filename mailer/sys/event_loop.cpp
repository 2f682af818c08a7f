#include "mailer/sys/event_loop.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "mailer/sys/event_loop_lookup.h"
#include "mailer/sys/winsock_errors.h"

namespace quorvane3::sys {

using Clock = std::chrono::steady_clock;

EventLoop::EventLoop() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        startupError_ = WsaErrorFromErrno(errno);
        return;
    }
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
}

EventLoop::~EventLoop() {
    // Lookups still running on helper threads must not touch the wake pipe.
    for (auto& [handle, lookup] : lookups_) {
        std::lock_guard lock(lookup->mutex);
        lookup->orphaned = true;
    }
    lookups_.clear();
    for (auto& [s, entry] : sockets_) ::close(s);
    if (wakeRead_ >= 0) ::close(wakeRead_);
    if (wakeWrite_ >= 0) ::close(wakeWrite_);
}

EventLoop& EventLoop::Main() {
    static EventLoop loop;
    return loop;
}

Hwnd EventLoop::CreateWindow(const std::string& className, WindowProc proc) {
    Hwnd hwnd = nextHwnd_++;
    windows_[hwnd] = Window{className, std::move(proc)};
    if (SendMessage(hwnd, kWmCreate, 0, 0) == -1) {
        windows_.erase(hwnd);
        return 0;
    }
    return windows_.count(hwnd) ? hwnd : 0;
}

bool EventLoop::DestroyWindow(Hwnd hwnd) {
    if (!windows_.count(hwnd)) return false;
    SendMessage(hwnd, kWmDestroy, 0, 0);
    windows_.erase(hwnd);
    return true;
}

bool EventLoop::IsWindow(Hwnd hwnd) const { return windows_.count(hwnd) != 0; }

std::string EventLoop::WindowClass(Hwnd hwnd) const {
    auto it = windows_.find(hwnd);
    return it == windows_.end() ? std::string() : it->second.className;
}

Hwnd EventLoop::FindWindow(const std::string& className) const {
    for (const auto& [hwnd, window] : windows_) {
        if (window.className == className) return hwnd;
    }
    return 0;
}

bool EventLoop::PostMessage(Hwnd hwnd, unsigned msg, WParam w, LParam l) {
    if (!windows_.count(hwnd)) return false;
    queue_.push_back(Message{hwnd, msg, w, l});
    return true;
}

LParam EventLoop::SendMessage(Hwnd hwnd, unsigned msg, WParam w, LParam l) {
    auto it = windows_.find(hwnd);
    if (it == windows_.end()) return 0;
    // Copy: the procedure may destroy its own window.
    WindowProc proc = it->second.proc;
    return proc ? proc(hwnd, msg, w, l) : 0;
}

void EventLoop::PostQuitMessage(int exitCode) {
    quit_ = true;
    exitCode_ = exitCode;
}

int EventLoop::Run() {
    while (!quit_) Iterate(Clock::time_point::max(), false);
    quit_ = false;
    return exitCode_;
}

bool EventLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds bound) {
    const auto deadline = Clock::now() + bound;
    while (!done()) {
        if (Clock::now() >= deadline) return false;
        Iterate(deadline, true);
    }
    return true;
}

EventLoop::TimerId EventLoop::StartTimer(std::chrono::milliseconds delay,
                                         std::function<void()> callback) {
    TimerId id = nextTimer_++;
    timers_[id] = Timer{Clock::now() + delay, std::move(callback)};
    return id;
}

void EventLoop::CancelTimer(TimerId id) { timers_.erase(id); }

std::size_t EventLoop::PendingWork() const {
    return windows_.size() + timers_.size() + sockets_.size() + lookups_.size();
}

// One round: wait in poll() until a socket, a lookup or the next timer needs
// attention (not at all when messages are queued), then deliver.
bool EventLoop::Iterate(Clock::time_point deadline, bool bounded) {
    Clock::time_point wake = bounded ? deadline : Clock::time_point::max();
    for (const auto& [id, timer] : timers_) wake = std::min(wake, timer.due);
    int timeoutMs = -1;
    if (!queue_.empty()) {
        timeoutMs = 0;
    } else if (wake != Clock::time_point::max()) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(wake - Clock::now()).count();
        timeoutMs = static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
    }
    PollOnce(timeoutMs);
    FireDueTimers();
    DispatchQueued();
    return true;
}

void EventLoop::FireDueTimers() {
    const auto now = Clock::now();
    std::vector<TimerId> due;
    for (const auto& [id, timer] : timers_) {
        if (timer.due <= now) due.push_back(id);
    }
    for (TimerId id : due) {
        auto it = timers_.find(id);
        if (it == timers_.end()) continue;  // cancelled by an earlier callback
        auto callback = std::move(it->second.callback);
        timers_.erase(it);
        callback();
    }
}

void EventLoop::DispatchQueued() {
    // Only what was queued before this round; messages posted while
    // dispatching wait until sockets were polled again.
    for (std::size_t n = queue_.size(); n > 0 && !queue_.empty() && !quit_; --n) {
        Message m = queue_.front();
        queue_.pop_front();
        Dispatch(m);
    }
}

void EventLoop::Dispatch(const Message& m) { SendMessage(m.hwnd, m.msg, m.w, m.l); }

}  // namespace quorvane3::sys
