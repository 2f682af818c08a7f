#include "mailer/net/winsock_event_registry.h"

#include "mailer/net/fatal_error.h"

namespace quorvane3 {

namespace {

sys::Hwnd g_eventWindow = 0;

sys::LParam EventWindowProc(sys::Hwnd hwnd, unsigned msg, sys::WParam w, sys::LParam l) {
    int kind = -1;
    if (msg >= kMsgAsyncRequestFirst && msg <= kMsgAsyncRequestLast) {
        kind = kKindAsyncRequest;
    } else if (msg == kMsgSocketNotice) {
        kind = kKindSocket;
    } else {
        return 0;
    }
    if (CWinsockEventCallback* receiver = CWinsockEventRegistry::Instance().Find(w, kind)) {
        receiver->OnEvent(hwnd, msg, w, l);
    }
    return 0;
}

}  // namespace

CWinsockEventRegistry& CWinsockEventRegistry::Instance() {
    static CWinsockEventRegistry registry;
    return registry;
}

void CWinsockEventRegistry::Register(std::uintptr_t handle, int kind,
                                     CWinsockEventCallback* receiver) {
    if (!entries_.emplace(std::make_pair(handle, kind), receiver).second) {
        FatalAppExit("Can't register CWinsockEventCallback object.");
    }
}

void CWinsockEventRegistry::Deregister(std::uintptr_t handle, int kind) {
    if (entries_.erase(std::make_pair(handle, kind)) == 0) {
        FatalAppExit("Can't deregister CWinsockEventCallback object.");
    }
}

CWinsockEventCallback* CWinsockEventRegistry::Find(std::uintptr_t handle, int kind) const {
    auto it = entries_.find(std::make_pair(handle, kind));
    return it == entries_.end() ? nullptr : it->second;
}

int SocketStartupError() { return sys::EventLoop::Main().StartupError(); }

bool CreateEventWindow() {
    sys::EventLoop& loop = sys::EventLoop::Main();
    if (g_eventWindow != 0 && loop.IsWindow(g_eventWindow)) return false;
    g_eventWindow = loop.CreateWindow("WSAEventWindow", EventWindowProc);
    return g_eventWindow != 0;
}

void DestroyEventWindow() {
    if (g_eventWindow != 0) sys::EventLoop::Main().DestroyWindow(g_eventWindow);
    g_eventWindow = 0;
}

sys::Hwnd EventWindow() { return g_eventWindow; }

}  // namespace quorvane3
