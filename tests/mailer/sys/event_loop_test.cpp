#include "mailer/sys/event_loop.h"

#include <gtest/gtest.h>
#include <time.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

#include "mailer/sys/host_entry.h"
#include "mailer/sys/winsock_errors.h"
#include "tests/support/fake_smtp_server.h"

namespace quorvane3::sys {
namespace {

using namespace std::chrono_literals;

struct Notice {
    unsigned msg;
    WParam w;
    int low;
    int error;
};

// A window that records what it receives.
class Recorder {
public:
    explicit Recorder(EventLoop& loop) : loop_(loop) {
        hwnd_ = loop_.CreateWindow("Recorder", [this](Hwnd, unsigned m, WParam w, LParam l) {
            if (m >= kWmUser) notices_.push_back(Notice{m, w, NoticeLow(l), NoticeError(l)});
            return LParam{0};
        });
    }
    ~Recorder() { loop_.DestroyWindow(hwnd_); }
    Hwnd hwnd() const { return hwnd_; }
    std::vector<Notice>& notices() { return notices_; }
    int Count(int low) const {
        int n = 0;
        for (const Notice& x : notices_) n += x.low == low;
        return n;
    }

private:
    EventLoop& loop_;
    Hwnd hwnd_ = 0;
    std::vector<Notice> notices_;
};

TEST(EventLoopMessages, PostedMessagesArriveInOrderAndDeadWindowsHearNothing) {
    EventLoop loop;
    std::vector<int> seen;
    Hwnd a = loop.CreateWindow("A", [&](Hwnd, unsigned m, WParam w, LParam) {
        if (m == kWmUser) seen.push_back(static_cast<int>(w));
        return LParam{0};
    });
    Hwnd b = loop.CreateWindow("B", [&](Hwnd, unsigned m, WParam, LParam) {
        if (m == kWmUser) seen.push_back(-1);
        return LParam{0};
    });
    ASSERT_NE(a, 0u);
    EXPECT_EQ(loop.FindWindow("B"), b);
    for (int i = 1; i <= 3; ++i) loop.PostMessage(a, kWmUser, i, 0);
    loop.PostMessage(b, kWmUser, 0, 0);
    loop.DestroyWindow(b);
    EXPECT_FALSE(loop.PostMessage(b, kWmUser, 0, 0));
    loop.PostMessage(a, kWmUser, 4, 0);
    EXPECT_TRUE(loop.RunUntil([&] { return seen.size() == 4; }, 2s));
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4}));
    loop.DestroyWindow(a);
}

TEST(EventLoopMessages, CreationAndDestructionAreToldAndCreationCanBeRefused) {
    EventLoop loop;
    std::vector<unsigned> seen;
    Hwnd w = loop.CreateWindow("W", [&](Hwnd, unsigned m, WParam, LParam) {
        seen.push_back(m);
        return LParam{0};
    });
    loop.DestroyWindow(w);
    EXPECT_EQ(seen, (std::vector<unsigned>{kWmCreate, kWmDestroy}));
    EXPECT_EQ(loop.CreateWindow("X", [](Hwnd, unsigned, WParam, LParam) { return LParam{-1}; }), 0u);
    EXPECT_EQ(loop.PendingWork(), 0u);
}

TEST(EventLoopMessages, RunEndsWithTheQuitMessagePostedFromAWindow) {
    EventLoop loop;
    Hwnd w = loop.CreateWindow("W", [&](Hwnd h, unsigned m, WParam, LParam) {
        if (m == kWmUser) loop.DestroyWindow(h);
        if (m == kWmDestroy) loop.PostQuitMessage(7);
        return LParam{0};
    });
    loop.PostMessage(w, kWmUser, 0, 0);
    EXPECT_EQ(loop.Run(), 7);
    EXPECT_FALSE(loop.IsWindow(w));
}

TEST(EventLoopTimers, FireByDueTimeAndCancelledOnesNever) {
    EventLoop loop;
    std::vector<int> fired;
    loop.StartTimer(40ms, [&] { fired.push_back(2); });
    loop.StartTimer(10ms, [&] { fired.push_back(1); });
    auto cancelled = loop.StartTimer(20ms, [&] { fired.push_back(99); });
    loop.CancelTimer(cancelled);
    EXPECT_TRUE(loop.RunUntil([&] { return fired.size() == 2; }, 2s));
    EXPECT_EQ(fired, (std::vector<int>{1, 2}));
    EXPECT_FALSE(loop.RunUntil([] { return false; }, 30ms));
}

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

TEST(EventLoopTimers, AnIdleLoopSleepsInsteadOfSpinning) {
    EventLoop loop;
    bool fired = false;
    loop.StartTimer(400ms, [&] { fired = true; });
    const double before = CpuSeconds();
    EXPECT_TRUE(loop.RunUntil([&] { return fired; }, 5s));
    EXPECT_LT(CpuSeconds() - before, 0.1);
}

SockAddrIn Loopback(std::uint16_t port) {
    SockAddrIn a;
    a.port = port;
    a.address = 0x7F000001;
    return a;
}

constexpr unsigned kSockMsg = kWmUser + 6;

TEST(EventLoopSockets, NoticesFollowTheAsyncSelectRules) {
    EventLoop loop;
    Recorder rec(loop);
    testsupport::FakeSmtpServer server;
    server.Send("first\r\n").Hold().Send("second\r\n").Close();
    server.Start();

    Socket s = kInvalidSocket;
    ASSERT_EQ(loop.CreateSocket(&s), 0);
    ASSERT_EQ(loop.AsyncSelect(s, rec.hwnd(), kSockMsg, kFdConnect), 0);
    EXPECT_EQ(loop.Connect(s, Loopback(server.Port())), kWsaEWOULDBLOCK);
    ASSERT_TRUE(loop.RunUntil([&] { return rec.Count(kFdConnect) == 1; }, 5s));
    EXPECT_EQ(rec.notices()[0].error, 0);
    EXPECT_EQ(rec.notices()[0].w, static_cast<WParam>(s));

    ASSERT_EQ(loop.AsyncSelect(s, rec.hwnd(), kSockMsg, kFdRead | kFdWrite | kFdClose), 0);
    ASSERT_TRUE(loop.RunUntil([&] { return rec.Count(kFdRead) == 1 && rec.Count(kFdWrite) == 1; }, 5s));
    // Nothing more until the data is read: no second FD_READ, no FD_WRITE.
    loop.RunUntil([] { return false; }, 50ms);
    EXPECT_EQ(rec.Count(kFdRead), 1);
    EXPECT_EQ(rec.Count(kFdWrite), 1);
    EXPECT_EQ(rec.Count(kFdConnect), 1);

    // Reading part of the data re-enables FD_READ, which comes for the rest.
    char buf[64];
    std::size_t got = 0;
    ASSERT_EQ(loop.Recv(s, buf, 3, &got), 0);
    EXPECT_EQ(std::string(buf, got), "fir");
    ASSERT_TRUE(loop.RunUntil([&] { return rec.Count(kFdRead) == 2; }, 5s));
    ASSERT_EQ(loop.Recv(s, buf, sizeof buf, &got), 0);
    EXPECT_EQ(std::string(buf, got), "st\r\n");

    // The peer closes after more data: FD_READ for it, FD_CLOSE only after it was read.
    server.Release();
    ASSERT_TRUE(loop.RunUntil([&] { return rec.Count(kFdRead) == 3; }, 5s));
    loop.RunUntil([] { return false; }, 50ms);
    EXPECT_EQ(rec.Count(kFdClose), 0);
    ASSERT_EQ(loop.Recv(s, buf, sizeof buf, &got), 0);
    EXPECT_EQ(std::string(buf, got), "second\r\n");
    ASSERT_TRUE(loop.RunUntil([&] { return rec.Count(kFdClose) == 1; }, 5s));
    EXPECT_EQ(rec.notices().back().error, 0);
    EXPECT_EQ(loop.CloseSocket(s), 0);
    EXPECT_TRUE(server.WaitFinished(5s));
}

TEST(EventLoopSockets, FdWriteComesAgainOnlyAfterASendWouldBlock) {
    EventLoop loop;
    Recorder rec(loop);
    testsupport::FakeSmtpServer server;
    server.Hold();
    server.Start();
    Socket s = kInvalidSocket;
    ASSERT_EQ(loop.CreateSocket(&s), 0);
    loop.AsyncSelect(s, rec.hwnd(), kSockMsg, kFdConnect | kFdWrite);
    loop.Connect(s, Loopback(server.Port()));
    ASSERT_TRUE(loop.RunUntil([&] { return rec.Count(kFdWrite) == 1; }, 5s));
    std::vector<char> block(1 << 20, 'x');
    std::size_t total = 0;
    int err = 0;
    while (err == 0) {
        std::size_t sent = 0;
        err = loop.Send(s, block.data(), block.size(), &sent);
        total += sent;
    }
    EXPECT_EQ(err, kWsaEWOULDBLOCK);
    EXPECT_EQ(rec.Count(kFdWrite), 1);
    server.Release();  // the server now reads everything
    ASSERT_TRUE(loop.RunUntil([&] { return rec.Count(kFdWrite) == 2; }, 10s));
    loop.CloseSocket(s);
    EXPECT_TRUE(server.WaitFinished(10s));
    EXPECT_EQ(server.Received().size(), total);
}

TEST(EventLoopSockets, ARefusedConnectIsReportedThroughFdConnect) {
    EventLoop loop;
    Recorder rec(loop);
    std::uint16_t port = 0;
    {
        testsupport::FakeSmtpServer closed;  // bound, never started, then gone
        port = closed.Port();
    }
    Socket s = kInvalidSocket;
    ASSERT_EQ(loop.CreateSocket(&s), 0);
    loop.AsyncSelect(s, rec.hwnd(), kSockMsg, kFdConnect);
    EXPECT_EQ(loop.Connect(s, Loopback(port)), kWsaEWOULDBLOCK);
    ASSERT_TRUE(loop.RunUntil([&] { return rec.Count(kFdConnect) == 1; }, 5s));
    EXPECT_EQ(rec.notices()[0].error, kWsaECONNREFUSED);
    loop.CloseSocket(s);
}

TEST(EventLoopSockets, NoticesOfAClosedSocketAreNotDelivered) {
    EventLoop loop;
    Recorder rec(loop);
    loop.SetConnectHook([](const SockAddrIn&) { return kWsaENETUNREACH; });
    Socket s = kInvalidSocket;
    ASSERT_EQ(loop.CreateSocket(&s), 0);
    loop.AsyncSelect(s, rec.hwnd(), kSockMsg, kFdConnect);
    EXPECT_EQ(loop.Connect(s, Loopback(1)), kWsaEWOULDBLOCK);  // the notice is queued
    loop.CloseSocket(s);
    loop.RunUntil([] { return false; }, 30ms);
    EXPECT_TRUE(rec.notices().empty());
}

TEST(EventLoopLookups, AFinishedLookupFillsTheBufferAndPostsOnce) {
    EventLoop loop;
    Recorder rec(loop);
    loop.SetResolver([](const std::string& name, std::vector<std::uint32_t>* out) {
        if (name != "two.test") return kWsaHOST_NOT_FOUND;
        *out = {0x0A000001, 0x7F000001};
        return 0;
    });
    char buf[1024];
    AsyncHandle h = 0;
    ASSERT_EQ(loop.AsyncGetHostByName(rec.hwnd(), kWmUser + 1, "two.test", buf, sizeof buf, &h), 0);
    ASSERT_TRUE(loop.RunUntil([&] { return rec.notices().size() == 1; }, 5s));
    EXPECT_EQ(rec.notices()[0].w, h);
    EXPECT_EQ(rec.notices()[0].error, 0);
    std::uint32_t a = 0;
    ASSERT_TRUE(HostEntryAddress(buf, sizeof buf, 1, &a));
    EXPECT_EQ(a, 0x7F000001u);
    EXPECT_FALSE(HostEntryAddress(buf, sizeof buf, 2, &a));
    EXPECT_EQ(loop.CancelAsyncRequest(h), kWsaEALREADY);

    AsyncHandle h2 = 0;
    ASSERT_EQ(loop.AsyncGetHostByName(rec.hwnd(), kWmUser + 1, "none.test", buf, sizeof buf, &h2), 0);
    ASSERT_TRUE(loop.RunUntil([&] { return rec.notices().size() == 2; }, 5s));
    EXPECT_EQ(rec.notices()[1].error, kWsaHOST_NOT_FOUND);
}

TEST(EventLoopLookups, ACancelledLookupNeverReportsOrTouchesTheBuffer) {
    EventLoop loop;
    Recorder rec(loop);
    std::mutex m;
    std::condition_variable cv;
    bool release = false;
    bool finished = false;
    loop.SetResolver([&](const std::string&, std::vector<std::uint32_t>* out) {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return release; });
        out->push_back(0x7F000001);
        finished = true;
        cv.notify_all();
        return 0;
    });
    char buf[1024];
    std::memset(buf, 0x55, sizeof buf);
    AsyncHandle h = 0;
    ASSERT_EQ(loop.AsyncGetHostByName(rec.hwnd(), kWmUser + 1, "slow.test", buf, sizeof buf, &h), 0);
    EXPECT_EQ(loop.CancelAsyncRequest(h), 0);
    {
        std::unique_lock lock(m);
        release = true;
        cv.notify_all();
        cv.wait(lock, [&] { return finished; });
    }
    loop.RunUntil([] { return false; }, 50ms);
    EXPECT_TRUE(rec.notices().empty());
    EXPECT_EQ(static_cast<unsigned char>(buf[0]), 0x55);
}

TEST(EventLoopLookups, TheSystemResolverFindsLocalhost) {
    EventLoop loop;
    Recorder rec(loop);
    char buf[1024];
    AsyncHandle h = 0;
    ASSERT_EQ(loop.AsyncGetHostByName(rec.hwnd(), kWmUser + 1, "localhost", buf, sizeof buf, &h), 0);
    ASSERT_TRUE(loop.RunUntil([&] { return rec.notices().size() == 1; }, 10s));
    ASSERT_EQ(rec.notices()[0].error, 0);
    std::uint32_t a = 0;
    ASSERT_TRUE(HostEntryAddress(buf, sizeof buf, 0, &a));
    EXPECT_EQ(a >> 24, 127u);
}

TEST(HostAddresses, OnlyDottedIPv4AddressesParse) {
    std::uint32_t a = 0;
    EXPECT_TRUE(ParseDottedIPv4("192.0.2.7", &a));
    EXPECT_EQ(a, 0xC0000207u);
    for (const char* bad : {"mail.example.org", "", "1.2.3", "256.1.1.1", "::1", " 1.2.3.4"}) {
        EXPECT_FALSE(ParseDottedIPv4(bad, &a)) << bad;
    }
}

struct ErrnoRow {
    int err;
    int wsa;
};
class ErrnoMapping : public ::testing::TestWithParam<ErrnoRow> {};
TEST_P(ErrnoMapping, MapsToTheSocketLibraryNumber) {
    EXPECT_EQ(WsaErrorFromErrno(GetParam().err), GetParam().wsa);
}
INSTANTIATE_TEST_SUITE_P(Rows, ErrnoMapping,
                         ::testing::Values(ErrnoRow{0, 0}, ErrnoRow{EAGAIN, 10035},
                                           ErrnoRow{EINPROGRESS, 10035},
                                           ErrnoRow{ENETUNREACH, 10051}, ErrnoRow{ETIMEDOUT, 10060},
                                           ErrnoRow{ECONNREFUSED, 10061},
                                           ErrnoRow{ECONNRESET, 10054}, ErrnoRow{EPIPE, 10054},
                                           ErrnoRow{EHOSTUNREACH, 10065},
                                           ErrnoRow{EBADF, 10009}));

}  // namespace
}  // namespace quorvane3::sys
