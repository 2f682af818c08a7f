#include "mailer/net/conn_mgr.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <vector>

#include "mailer/sys/winsock_errors.h"
#include "tests/mailer/net/net_test_support.h"
#include "tests/support/fake_smtp_server.h"

namespace quorvane3::testing {
namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;
constexpr std::uint32_t kAddrA = 0x0A000001;  // 10.0.0.1
constexpr std::uint32_t kAddrB = 0x0A000002;  // 10.0.0.2
constexpr int kNever = sys::EventLoop::kConnectNeverCompletes;

// Receives the connection result and, afterwards, the stream.
class Owner : public IConnectionTarget, public IStreamOwner {
public:
    std::vector<int> results;
    int streamEvents = 0;
    void OnConnectResult(int value, int result) override {
        EXPECT_EQ(value, 42);
        results.push_back(result);
    }
    void StreamCallback(int, int, int, const void*) override { ++streamEvents; }
};

struct Fixture {
    CStreamSocket stream;
    CConnMgr conn;
    Owner owner;
    std::vector<std::uint32_t> attempts;  // addresses connected to, in order
    int lookups = 0;

    Fixture() { conn.SetTarget(&owner, 42); }

    // Names resolve through `names`; connects to the addresses in `errors`
    // fail with that error (or never finish); others really connect.
    void Install(std::map<std::string, std::vector<std::uint32_t>> names,
                 std::map<std::uint32_t, int> errors) {
        Loop().SetResolver([this, names](const std::string& n, std::vector<std::uint32_t>* out) {
            ++lookups;  // the helper runs while the test thread waits in the loop
            auto it = names.find(n);
            if (it == names.end()) return sys::kWsaHOST_NOT_FOUND;
            *out = it->second;
            return 0;
        });
        Loop().SetConnectHook([this, errors](const sys::SockAddrIn& a) {
            attempts.push_back(a.address);
            auto it = errors.find(a.address);
            return it == errors.end() ? 0 : it->second;
        });
    }
    bool RunToResult() {
        return Loop().RunUntil([&] { return conn.IsIdle(); }, 10s);
    }
};

struct Row {
    const char* name;
    std::string host;
    std::map<std::string, std::vector<std::uint32_t>> names;
    std::map<std::uint32_t, int> errors;
    int result;
    int lastError;
    std::vector<std::uint32_t> attempts;
    int lookups;
};
void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

class ConnMgrRows : public NetTest, public ::testing::WithParamInterface<Row> {};

TEST_P(ConnMgrRows, EndsWithTheResultOfTheTable) {
    const Row& row = GetParam();
    testsupport::FakeSmtpServer server;
    server.Stall();
    server.Start();
    Fixture f;
    f.Install(row.names, row.errors);
    ASSERT_TRUE(f.conn.Connect(row.host, server.Port(), &f.stream, &f.owner, 7));
    ASSERT_TRUE(f.RunToResult());
    EXPECT_EQ(f.owner.results, std::vector<int>{row.result});
    EXPECT_EQ(f.conn.Result(), row.result);
    EXPECT_EQ(f.conn.LastError(), row.lastError);
    EXPECT_EQ(f.attempts, row.attempts);
    EXPECT_EQ(f.lookups, row.lookups);
    EXPECT_EQ(f.stream.ConnectionState(),
              row.result == CConnMgr::kConnectedResult ? CStreamSocket::kConnectedState
                                                       : CStreamSocket::kNone);
    f.stream.Close();
}

INSTANTIATE_TEST_SUITE_P(
    Table, ConnMgrRows,
    ::testing::Values(
        Row{"LiteralAddressNeedsNoLookup", "127.0.0.1", {}, {}, 2, 0, {kLoopback}, 0},
        Row{"NameConnectsToItsFirstAddress", "mail.test", {{"mail.test", {kLoopback, kAddrA}}}, {},
            2, 0, {kLoopback}, 1},
        Row{"UnreachableFirstAddressTriesTheNext", "mail.test",
            {{"mail.test", {kAddrA, kLoopback}}}, {{kAddrA, sys::kWsaENETUNREACH}}, 2, 0,
            {kAddrA, kLoopback}, 1},
        Row{"TimedOutFirstAddressTriesTheNext", "mail.test", {{"mail.test", {kAddrA, kLoopback}}},
            {{kAddrA, sys::kWsaETIMEDOUT}}, 2, 0, {kAddrA, kLoopback}, 1},
        Row{"RefusedFirstAddressEndsTheAttempt", "mail.test",
            {{"mail.test", {kAddrA, kLoopback}}}, {{kAddrA, sys::kWsaECONNREFUSED}}, 3,
            sys::kWsaECONNREFUSED, {kAddrA}, 1},
        Row{"NoFurtherAddressFails", "mail.test", {{"mail.test", {kAddrA, kAddrB}}},
            {{kAddrA, sys::kWsaENETUNREACH}, {kAddrB, sys::kWsaENETUNREACH}}, 3,
            sys::kWsaENETUNREACH, {kAddrA, kAddrB}, 1},
        Row{"LiteralAddressGetsNoSecondAttempt", "10.0.0.1", {}, {{kAddrA, sys::kWsaENETUNREACH}},
            3, sys::kWsaENETUNREACH, {kAddrA}, 0},
        Row{"UnknownNameFailsWithTheLookupError", "nowhere.test", {}, {}, 3,
            sys::kWsaHOST_NOT_FOUND, {}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

class ConnMgr : public NetTest {};

TEST_F(ConnMgr, ARefusedLiteralAddressFailsWithTheSystemsError) {
    Fixture f;
    ASSERT_TRUE(f.conn.Connect("127.0.0.1", ClosedPort(), &f.stream, &f.owner, 0));
    EXPECT_FALSE(f.conn.Connect("127.0.0.1", 1, &f.stream, &f.owner, 0)) << "busy";
    ASSERT_TRUE(f.RunToResult());
    EXPECT_EQ(f.owner.results, std::vector<int>{3});
    EXPECT_EQ(f.conn.LastError(), sys::kWsaECONNREFUSED);
}

TEST_F(ConnMgr, TheStreamGoesToTheOwnerAfterwards) {
    testsupport::FakeSmtpServer server;
    server.Send("220 hi\r\n");
    server.Start();
    Fixture f;
    ASSERT_TRUE(f.conn.Connect("127.0.0.1", server.Port(), &f.stream, &f.owner, 0));
    ASSERT_TRUE(Loop().RunUntil([&] { return f.owner.streamEvents > 0; }, 10s));
    EXPECT_EQ(f.owner.results, std::vector<int>{2});
    f.stream.Close();
}

TEST_F(ConnMgr, AConnectTimeOutCountsAsTimedOutAndMovesToTheNextAddress) {
    testsupport::FakeSmtpServer server;
    server.Start();
    Fixture f;
    f.Install({{"mail.test", {kAddrA, kLoopback}}}, {{kAddrA, kNever}});
    f.conn.SetConnectTimeout(100ms);
    ASSERT_TRUE(f.conn.Connect("mail.test", server.Port(), &f.stream, &f.owner, 0));
    ASSERT_TRUE(f.RunToResult());
    EXPECT_EQ(f.owner.results, std::vector<int>{2});
    EXPECT_EQ(f.attempts, (std::vector<std::uint32_t>{kAddrA, kLoopback}));
    f.stream.Close();
}

TEST_F(ConnMgr, AConnectTimeOutOnALiteralAddressFails) {
    Fixture f;
    f.Install({}, {{kAddrA, kNever}});
    f.conn.SetConnectTimeout(100ms);
    ASSERT_TRUE(f.conn.Connect("10.0.0.1", 25, &f.stream, &f.owner, 0));
    ASSERT_TRUE(f.RunToResult());
    EXPECT_EQ(f.owner.results, std::vector<int>{3});
    EXPECT_EQ(f.conn.LastError(), sys::kWsaETIMEDOUT);
}

// A resolver that answers only when released.
struct SlowResolver {
    std::mutex m;
    std::condition_variable cv;
    bool released = false;
    void Install() {
        Loop().SetResolver([this](const std::string&, std::vector<std::uint32_t>* out) {
            std::unique_lock lock(m);
            cv.wait(lock, [this] { return released; });
            out->push_back(kLoopback);
            return 0;
        });
    }
    void Release() {
        std::lock_guard lock(m);
        released = true;
        cv.notify_all();
    }
};

TEST_F(ConnMgr, ALookupThatTakesTooLongFailsAsTimedOut) {
    SlowResolver slow;
    slow.Install();
    Fixture f;
    f.conn.SetConnectTimeout(100ms);
    ASSERT_TRUE(f.conn.Connect("slow.test", 25, &f.stream, &f.owner, 0));
    ASSERT_TRUE(f.RunToResult());
    slow.Release();
    EXPECT_EQ(f.owner.results, std::vector<int>{3});
    EXPECT_EQ(f.conn.LastError(), sys::kWsaETIMEDOUT);
}

struct CancelRow {
    const char* name;
    bool duringLookup;
    bool notify;
};
void PrintTo(const CancelRow& row, std::ostream* os) { *os << row.name; }

class ConnMgrCancel : public NetTest, public ::testing::WithParamInterface<CancelRow> {};

TEST_P(ConnMgrCancel, EndsWithResultOneAndNoticeOnlyWhenAsked) {
    const CancelRow& row = GetParam();
    SlowResolver slow;
    Fixture f;
    if (row.duringLookup) {
        slow.Install();
    } else {
        Loop().SetConnectHook([](const sys::SockAddrIn&) { return kNever; });
    }
    ASSERT_TRUE(f.conn.Connect(row.duringLookup ? "slow.test" : "127.0.0.1", 25, &f.stream,
                               &f.owner, 0));
    Loop().RunUntil([] { return false; }, 20ms);
    ASSERT_FALSE(f.conn.IsIdle());
    f.conn.Cancel(row.notify);
    EXPECT_TRUE(f.conn.IsIdle());
    EXPECT_EQ(f.conn.Result(), CConnMgr::kCancelled);
    slow.Release();
    Loop().RunUntil([] { return false; }, 30ms);  // a late lookup answer must find nobody
    EXPECT_EQ(f.owner.results, row.notify ? std::vector<int>{1} : std::vector<int>{});
    EXPECT_EQ(f.stream.Handle(), sys::kInvalidSocket);
}

INSTANTIATE_TEST_SUITE_P(Table, ConnMgrCancel,
                         ::testing::Values(CancelRow{"LookupWithNotice", true, true},
                                           CancelRow{"LookupSilently", true, false},
                                           CancelRow{"ConnectWithNotice", false, true},
                                           CancelRow{"ConnectSilently", false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorvane3::testing
