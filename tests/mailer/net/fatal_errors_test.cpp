#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "mailer/net/conn_mgr.h"
#include "mailer/net/fatal_error.h"
#include "mailer/net/smtp.h"
#include "tests/mailer/net/net_test_support.h"
#include "tests/support/fake_smtp_server.h"

// Internal errors end the process with exit code 1. Each case runs in a
// child process; the hook prints the reason so that the parent can tell
// which error it was.

namespace quorvane3::testing {
namespace {

void PrintReason(const char* reason) { std::fprintf(stderr, "fatal: %s\n", reason); }

class FatalErrors : public NetTest {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        NetTest::SetUp();
        SetFatalHook(PrintReason);
    }
    void TearDown() override {
        SetFatalHook(nullptr);
        NetTest::TearDown();
    }
};

void RunSessionAgainst(testsupport::FakeSmtpServer& server) {
    server.Start();
    MessageFile message("Subject: x\r\n\r\n");
    std::vector<std::string> recipients{"r@example.org"};
    RecordingSmtp smtp;
    smtp.Start("127.0.0.1", server.Port(), message.get(), "s@example.org", &recipients);
    Loop().RunUntil([&] { return smtp.Finished(); }, 10s);
}

TEST_F(FatalErrors, AGreetingThatStartsWithALetterEndsTheProcess) {
    EXPECT_EXIT(
        {
            testsupport::FakeSmtpServer server;
            server.Send("hello\r\n").Stall();
            RunSessionAgainst(server);
        },
        ::testing::ExitedWithCode(1), "fatal: Invalid SMTP reply received in CSMTP\\.");
}

TEST_F(FatalErrors, AFinalLineStartingWithALetterAfterAContinuationEndsTheProcess) {
    EXPECT_EXIT(
        {
            testsupport::FakeSmtpServer server;
            server.Send("220 ready\r\n").ReadLine().Send("250-hello\r\nok fine\r\n").Stall();
            RunSessionAgainst(server);
        },
        ::testing::ExitedWithCode(1), "fatal: Invalid SMTP reply received in CSMTP\\.");
}

TEST_F(FatalErrors, AFailedReceiveEndsTheProcess) {
    EXPECT_EXIT(
        {
            RecordingSmtp smtp;  // no socket: the receive fails
            smtp.StreamCallback(0, kStreamReadable, 0, nullptr);
        },
        ::testing::ExitedWithCode(1), "fatal: Couldn't read from socket in CSMTP\\.");
}

TEST_F(FatalErrors, AnUnexpectedStreamEventInTheSessionEndsTheProcess) {
    EXPECT_EXIT(
        {
            RecordingSmtp smtp;
            smtp.StreamCallback(0, kStreamAccept, 0, nullptr);
        },
        ::testing::ExitedWithCode(1), "fatal: Unexpected socket event in CSMTP::StreamCallback");
}

TEST_F(FatalErrors, AStreamEventOtherThanConnectWhileConnectingEndsTheProcess) {
    EXPECT_EXIT(
        {
            Loop().SetConnectHook(
                [](const sys::SockAddrIn&) { return sys::EventLoop::kConnectNeverCompletes; });
            CStreamSocket stream;
            CConnMgr conn;
            conn.Connect("127.0.0.1", 25, &stream, nullptr, 0);
            conn.StreamCallback(0, kStreamReadable, 0, nullptr);
        },
        ::testing::ExitedWithCode(1), "fatal: Unexpected socket event in CConnMgr::StreamCallback");
}

TEST_F(FatalErrors, ALookupWithoutAddressEndsTheProcess) {
    EXPECT_EXIT(
        {
            Loop().SetResolver([](const std::string&, std::vector<std::uint32_t>*) { return 0; });
            CStreamSocket stream;
            CConnMgr conn;
            conn.Connect("empty.test", 25, &stream, nullptr, 0);
            Loop().RunUntil([] { return false; }, 10s);
        },
        ::testing::ExitedWithCode(1),
        "fatal: Can't access address following lookup in CConnMgr::AwaitLookup");
}

class Dummy : public CWinsockEventCallback {
    void OnEvent(sys::Hwnd, unsigned, sys::WParam, sys::LParam) override {}
};

TEST_F(FatalErrors, RegisteringTwiceOrDeregisteringWhatIsAbsentEndsTheProcess) {
    EXPECT_EXIT(
        {
            Dummy a;
            Dummy b;
            CWinsockEventRegistry::Instance().Register(77, kKindSocket, &a);
            CWinsockEventRegistry::Instance().Register(77, kKindSocket, &b);
        },
        ::testing::ExitedWithCode(1), "fatal: Can't register CWinsockEventCallback object\\.");
    EXPECT_EXIT(CWinsockEventRegistry::Instance().Deregister(78, kKindAsyncRequest),
                ::testing::ExitedWithCode(1),
                "fatal: Can't deregister CWinsockEventCallback object\\.");
}

TEST(WinsockEventRegistry, KeepsOneReceiverPerHandleAndKind) {
    Dummy a;
    Dummy b;
    auto& registry = CWinsockEventRegistry::Instance();
    registry.Register(5, kKindSocket, &a);
    registry.Register(5, kKindAsyncRequest, &b);
    EXPECT_EQ(registry.Find(5, kKindSocket), &a);
    EXPECT_EQ(registry.Find(5, kKindAsyncRequest), &b);
    registry.Deregister(5, kKindSocket);
    EXPECT_EQ(registry.Find(5, kKindSocket), nullptr);
    registry.Deregister(5, kKindAsyncRequest);
    EXPECT_EQ(registry.Size(), 0u);
}

TEST(EventWindow, ExistsOnceAndRoutesOnlyItsOwnMessages) {
    ASSERT_TRUE(CreateEventWindow());
    EXPECT_FALSE(CreateEventWindow());
    EXPECT_EQ(Loop().WindowClass(EventWindow()), "WSAEventWindow");
    DestroyEventWindow();
    EXPECT_EQ(EventWindow(), 0u);
    EXPECT_EQ(SocketStartupError(), 0);
}

}  // namespace
}  // namespace quorvane3::testing
