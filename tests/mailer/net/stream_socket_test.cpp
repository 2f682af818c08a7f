#include "mailer/net/stream_socket.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mailer/sys/winsock_errors.h"
#include "tests/mailer/net/net_test_support.h"
#include "tests/support/fake_smtp_server.h"

namespace quorvane3::testing {
namespace {

struct Report {
    int event;
    int error;
    const void* tag;
};

class Recorder : public IStreamOwner {
public:
    std::vector<Report> reports;
    void StreamCallback(int, int event, int error, const void* tag) override {
        reports.push_back(Report{event, error, tag});
    }
    int Count(int event) const {
        int n = 0;
        for (const Report& r : reports) n += r.event == event;
        return n;
    }
};

class StreamSocket : public NetTest {
protected:
    sys::SockAddrIn Loopback(std::uint16_t port) {
        sys::SockAddrIn a;
        a.address = 0x7F000001;
        a.port = port;
        return a;
    }
};

TEST_F(StreamSocket, QueuedSendsAreReportedOncePerSendInOrderWithoutCopying) {
    testsupport::FakeSmtpServer server;
    std::string first(24 << 20, 'a');  // more than the socket buffers hold
    first.back() = '1';
    std::string second = "second send\r\n";
    server.Hold().ReadBytes(first.size() + second.size());
    server.Start();

    Recorder owner;
    CStreamSocket stream;
    stream.SetOwner(&owner, 0);
    EXPECT_EQ(stream.Connect(Loopback(server.Port())), sys::kWsaEWOULDBLOCK);
    ASSERT_TRUE(Loop().RunUntil([&] { return owner.Count(kStreamConnected) == 1; }, 10s));
    EXPECT_EQ(owner.reports[0].error, 0);
    EXPECT_EQ(stream.ConnectionState(), CStreamSocket::kConnectedState);

    EXPECT_EQ(stream.Send(first.data(), first.size()), sys::kWsaEWOULDBLOCK);
    EXPECT_EQ(stream.Send(second.data(), second.size()), sys::kWsaEWOULDBLOCK);
    EXPECT_EQ(stream.QueuedSends(), 2u);
    // Queued data is read from the caller's buffer when it goes out.
    second[0] = 'S';
    server.Release();
    ASSERT_TRUE(Loop().RunUntil([&] { return owner.Count(kStreamSent) == 2; }, 30s));
    std::vector<const void*> tags;
    for (const Report& r : owner.reports) {
        if (r.event == kStreamSent) {
            tags.push_back(r.tag);
            EXPECT_EQ(r.error, 0);
        }
    }
    EXPECT_EQ(tags, (std::vector<const void*>{first.data(), second.data()}));
    stream.Close();
    ASSERT_TRUE(server.WaitFinished(30s));
    EXPECT_EQ(server.Received(), first + second);
}

TEST_F(StreamSocket, ASendThatFitsIsNotQueuedNorReported) {
    testsupport::FakeSmtpServer server;
    server.ReadBytes(5);
    server.Start();
    Recorder owner;
    CStreamSocket stream;
    stream.SetOwner(&owner, 0);
    stream.Connect(Loopback(server.Port()));
    ASSERT_TRUE(Loop().RunUntil([&] { return owner.Count(kStreamConnected) == 1; }, 10s));
    EXPECT_EQ(stream.Send("hello", 5), 0);
    EXPECT_EQ(stream.QueuedSends(), 0u);
    Loop().RunUntil([] { return false; }, 30ms);
    EXPECT_EQ(owner.Count(kStreamSent), 0);
    stream.Close();
    ASSERT_TRUE(server.WaitFinished(10s));
    EXPECT_EQ(server.Transcript(), "C: hello" + kClientCloses);
}

TEST_F(StreamSocket, ReadableAndClosedAreReportedAndCloseDropsTheQueueSilently) {
    testsupport::FakeSmtpServer server;
    server.Send("data").Close();
    server.Start();
    Recorder owner;
    CStreamSocket stream;
    stream.SetOwner(&owner, 0);
    stream.Connect(Loopback(server.Port()));
    ASSERT_TRUE(Loop().RunUntil([&] { return owner.Count(kStreamReadable) == 1; }, 10s));
    char buf[16];
    std::size_t size = sizeof buf;
    EXPECT_EQ(stream.Receive(buf, &size), 0);
    EXPECT_EQ(std::string(buf, size), "data");
    ASSERT_TRUE(Loop().RunUntil([&] { return owner.Count(kStreamClosed) == 1; }, 10s));
    stream.Close();
    EXPECT_EQ(stream.Handle(), sys::kInvalidSocket);
    EXPECT_EQ(stream.ConnectionState(), CStreamSocket::kNone);
    stream.Close();  // nothing to close twice
}

TEST_F(StreamSocket, AConnectFailureIsReportedWithItsError) {
    Recorder owner;
    CStreamSocket stream;
    stream.SetOwner(&owner, 0);
    EXPECT_EQ(stream.Connect(Loopback(ClosedPort())), sys::kWsaEWOULDBLOCK);
    ASSERT_TRUE(Loop().RunUntil([&] { return owner.Count(kStreamConnected) == 1; }, 10s));
    EXPECT_EQ(owner.reports[0].error, sys::kWsaECONNREFUSED);
}

}  // namespace
}  // namespace quorvane3::testing
