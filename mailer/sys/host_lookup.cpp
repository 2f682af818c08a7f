#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "mailer/sys/event_loop.h"
#include "mailer/sys/event_loop_lookup.h"
#include "mailer/sys/host_entry.h"
#include "mailer/sys/winsock_errors.h"

namespace quorvane3::sys {

int EventLoop::DefaultResolve(const std::string& name, std::vector<std::uint32_t>* out) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    errno = 0;
    int rc = ::getaddrinfo(name.c_str(), nullptr, &hints, &list);
    if (rc != 0) return WsaErrorFromGai(rc, errno);
    for (addrinfo* p = list; p; p = p->ai_next) {
        if (p->ai_family != AF_INET || !p->ai_addr) continue;
        auto* sin = reinterpret_cast<const sockaddr_in*>(p->ai_addr);
        std::uint32_t a = ntohl(sin->sin_addr.s_addr);
        if (std::find(out->begin(), out->end(), a) == out->end()) out->push_back(a);
    }
    ::freeaddrinfo(list);
    return out->empty() ? kWsaNO_DATA : 0;
}

void EventLoop::SetResolver(Resolver resolver) { resolver_ = std::move(resolver); }

int EventLoop::AsyncGetHostByName(Hwnd hwnd, unsigned msg, const std::string& name, char* buffer,
                                  std::size_t size, AsyncHandle* out) {
    *out = 0;
    if (wakeWrite_ < 0) return startupError_;
    auto lookup = std::make_shared<Lookup>();
    lookup->hwnd = hwnd;
    lookup->msg = msg;
    lookup->buffer = buffer;
    lookup->size = size;
    Resolver resolve = resolver_;
    if (!resolve) {
        resolve = [](const std::string& n, std::vector<std::uint32_t>* a) {
            return DefaultResolve(n, a);
        };
    }
    const int wake = wakeWrite_;
    try {
        std::thread([lookup, resolve, name, wake] {
            std::vector<std::uint32_t> addresses;
            int error = resolve(name, &addresses);
            std::lock_guard lock(lookup->mutex);
            lookup->done = true;
            lookup->error = error;
            lookup->addresses = std::move(addresses);
            if (!lookup->orphaned) {
                char byte = 1;
                [[maybe_unused]] auto n = ::write(wake, &byte, 1);
            }
        }).detach();
    } catch (const std::system_error&) {
        return kWsaENOBUFS;
    }
    AsyncHandle handle = nextLookup_++;
    lookups_[handle] = std::move(lookup);
    *out = handle;
    return 0;
}

int EventLoop::CancelAsyncRequest(AsyncHandle handle) {
    auto it = lookups_.find(handle);
    if (it == lookups_.end()) return kWsaEALREADY;
    {
        std::lock_guard lock(it->second->mutex);
        it->second->orphaned = true;
    }
    lookups_.erase(it);
    return 0;
}

void EventLoop::CompleteLookups() {
    for (auto it = lookups_.begin(); it != lookups_.end();) {
        Lookup& l = *it->second;
        std::unique_lock lock(l.mutex);
        if (!l.done) {
            ++it;
            continue;
        }
        std::size_t used = 0;
        if (l.error == 0) used = WriteHostEntry(l.buffer, l.size, l.addresses);
        int error = l.error == 0 && used == 0 ? kWsaENOBUFS : l.error;
        PostMessage(l.hwnd, l.msg, it->first, MakeNoticeParam(static_cast<long>(used), error));
        lock.unlock();
        it = lookups_.erase(it);
    }
}

}  // namespace quorvane3::sys
