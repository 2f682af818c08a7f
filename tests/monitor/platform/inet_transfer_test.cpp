#include "monitor/platform/inet_transfer.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <thread>

#include "tests/support/core_app.h"
#include "tests/support/fake_http_server.h"

namespace ossivant {
namespace {

using namespace std::chrono_literals;
using test::FakeHttpServer;
using test::HttpScript;
using test::HttpStep;
using test::httpReply;

const std::vector<int> kNormalProbe = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12};

std::vector<int> statesOf(const QSignalSpy& spy) {
    std::vector<int> states;
    for (const auto& args : spy) states.push_back(args.at(0).toInt());
    return states;
}

bool ended(const QSignalSpy& spy) {
    if (spy.isEmpty()) return false;
    int last = spy.last().at(0).toInt();
    return last == transfer_state::Error || last == transfer_state::ResponseCompleted;
}

// Processes events until the request ends (11 or 12) or `ms` pass.
bool waitForEnd(QSignalSpy& spy, int ms = 5000) {
    QDeadlineTimer deadline(ms);
    while (!ended(spy)) {
        if (deadline.hasExpired()) return false;
        spy.wait(int(std::max<qint64>(1, deadline.remainingTime())));
    }
    return true;
}

// Processes events until `state` has been signalled or `ms` pass.
bool waitForState(QSignalSpy& spy, int state, int ms = 5000) {
    QDeadlineTimer deadline(ms);
    for (;;) {
        auto states = statesOf(spy);
        if (std::find(states.begin(), states.end(), state) != states.end()) return true;
        if (deadline.hasExpired()) return false;
        spy.wait(int(std::max<qint64>(1, deadline.remainingTime())));
    }
}

QString firstLine(const QString& header) { return header.section(QStringLiteral("\r\n"), 0, 0); }

class InetTransferTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::coreApplication(); }

    InetTransfer inet{[this] { return cookiePolicy; }};
    QSignalSpy spy{&inet, &TransferControl::StateChanged};
    int cookiePolicy = InetTransfer::kCookiesInMemory;
};

// --- complete responses --------------------------------------------------

struct ResponseRow {
    const char* name;
    std::string response;
    QString statusLine;  // first line of GetHeader()
    friend void PrintTo(const ResponseRow& row, std::ostream* os) { *os << row.name; }
};

class InetResponseTest : public InetTransferTest, public ::testing::WithParamInterface<ResponseRow> {};

TEST_P(InetResponseTest, CompletesWithTheHeaderOfTheOneResponse) {
    FakeHttpServer server(httpReply(GetParam().response));
    inet.setRequestTimeout(10);
    ASSERT_TRUE(inet.Execute(QString::fromStdString(server.url("/page?x=1")), QStringLiteral("GET")));
    EXPECT_TRUE(inet.StillExecuting());
    EXPECT_TRUE(spy.isEmpty()) << "no event may arrive inside Execute";

    ASSERT_TRUE(waitForEnd(spy));
    EXPECT_EQ(statesOf(spy), kNormalProbe);
    EXPECT_FALSE(inet.StillExecuting());
    EXPECT_EQ(firstLine(inet.GetHeader()), GetParam().statusLine);
    EXPECT_FALSE(inet.GetHeader().endsWith(QStringLiteral("\r\n\r\n")));
    EXPECT_EQ(inet.ResponseCode(), 0);
    EXPECT_EQ(inet.ResponseInfo(), QString());
    EXPECT_EQ(inet.URL(), QString::fromStdString(server.url("/page?x=1")));
    // Redirects are not followed: one connection, one request.
    EXPECT_EQ(server.connections(), 1);
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].rfind("GET /page?x=1 HTTP/1.1\r\n", 0), 0u) << server.requests()[0];
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, InetResponseTest,
    ::testing::Values(
        ResponseRow{"Ok", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nX-Extra: 1\r\n\r\nhello",
                    "HTTP/1.1 200 OK"},
        ResponseRow{"NoContent", "HTTP/1.1 204 No Content\r\n\r\n", "HTTP/1.1 204 No Content"},
        ResponseRow{"MovedPermanently",
                    "HTTP/1.1 301 Moved Permanently\r\nLocation: /elsewhere\r\nContent-Length: 0\r\n\r\n",
                    "HTTP/1.1 301 Moved Permanently"},
        ResponseRow{"Found", "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:1/\r\nContent-Length: 0\r\n\r\n",
                    "HTTP/1.1 302 Found"},
        ResponseRow{"NotModified", "HTTP/1.1 304 Not Modified\r\n\r\n", "HTTP/1.1 304 Not Modified"},
        ResponseRow{"NotFound", "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot here\n",
                    "HTTP/1.1 404 Not Found"},
        ResponseRow{"ServerError", "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n",
                    "HTTP/1.1 500 Internal Server Error"},
        // No length: the body ends when the server closes.
        ResponseRow{"Http10", "HTTP/1.0 200 OK\r\nServer: old\r\n\r\nbody until close", "HTTP/1.0 200 OK"},
        ResponseRow{"InterimThenFinal",
                    "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n",
                    "HTTP/1.1 200 OK"},
        ResponseRow{"NonHttpAnswer", "SSH-2.0-Server\r\nnothing of HTTP here\r\n", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(InetTransferTest, StatusLineWithTwoBlanksReachesTheHeaderAsSent) {
    FakeHttpServer server(httpReply("HTTP/1.1  200 OK\r\nContent-Length: 0\r\n\r\n"));
    ASSERT_TRUE(inet.Execute(QString::fromStdString(server.url()), QStringLiteral("GET")));
    ASSERT_TRUE(waitForEnd(spy));
    EXPECT_EQ(statesOf(spy).back(), transfer_state::ResponseCompleted);
    EXPECT_EQ(firstLine(inet.GetHeader()), QStringLiteral("HTTP/1.1  200 OK"));
}

// --- delivery of the states ------------------------------------------------

// Counts the queued calls, the wake-ups of the owning thread, an object gets.
class WakeUpCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MetaCall) ++count;
        return false;
    }
};

TEST_F(InetTransferTest, StatesThatArriveWhileTheThreadIsBusyShareTheirWakeUps) {
    FakeHttpServer server(httpReply("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"));
    WakeUpCounter wakeUps;
    inet.installEventFilter(&wakeUps);
    ASSERT_TRUE(inet.Execute(QString::fromStdString(server.url()), QStringLiteral("GET")));
    // The owning thread does other work while the request runs its course.
    ASSERT_TRUE(server.waitForPeerCloses(1, 2s));
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(spy.isEmpty());

    ASSERT_TRUE(waitForEnd(spy));
    EXPECT_EQ(statesOf(spy), kNormalProbe);
    EXPECT_LT(wakeUps.count, int(kNormalProbe.size()));
}

TEST_F(InetTransferTest, AQuickRequestWakesTheThreadOnceAndASlowOneStillShowsItsProgress) {
    FakeHttpServer quick(httpReply("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"));
    WakeUpCounter wakeUps;
    inet.installEventFilter(&wakeUps);
    ASSERT_TRUE(inet.Execute(QString::fromStdString(quick.url()), QStringLiteral("GET")));
    ASSERT_TRUE(waitForEnd(spy));
    EXPECT_EQ(statesOf(spy), kNormalProbe);
    EXPECT_LE(wakeUps.count, 2);

    // A server that thinks for a while: the request's progress up to "sent"
    // is seen long before the answer comes.
    spy.clear();
    FakeHttpServer slow({HttpStep::readRequest(), HttpStep::wait(600ms),
                         HttpStep::send("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"),
                         HttpStep::close()});
    QElapsedTimer sinceStart;
    sinceStart.start();
    ASSERT_TRUE(inet.Execute(QString::fromStdString(slow.url()), QStringLiteral("GET")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return statesOf(spy).size() >= 6; }, 2000));
    EXPECT_LT(sinceStart.elapsed(), 400);
    EXPECT_EQ(statesOf(spy), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    ASSERT_TRUE(waitForEnd(spy));
    EXPECT_EQ(statesOf(spy), kNormalProbe);
}

// As the check engine does: the end of one request starts the next, and the
// handler goes on working a while. The next request's first states are then
// already queued, but need no wake-up of their own before its end.
TEST_F(InetTransferTest, ARequestStartedAtTheEndOfAnotherWakesTheThreadOnce) {
    FakeHttpServer first(httpReply("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"));
    FakeHttpServer second({HttpStep::readRequest(), HttpStep::wait(20ms),
                           HttpStep::send("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"),
                           HttpStep::close()});
    WakeUpCounter wakeUps;
    bool secondStarted = false;
    QObject::connect(&inet, &TransferControl::StateChanged, &inet, [&](int state) {
        if (state != transfer_state::ResponseCompleted || secondStarted) return;
        secondStarted = true;
        ASSERT_TRUE(inet.Execute(QString::fromStdString(second.url()), QStringLiteral("GET")));
        inet.installEventFilter(&wakeUps);
        std::this_thread::sleep_for(10ms);
    });
    ASSERT_TRUE(inet.Execute(QString::fromStdString(first.url()), QStringLiteral("GET")));
    ASSERT_TRUE(waitForEnd(spy));
    spy.clear();
    ASSERT_TRUE(waitForEnd(spy));
    EXPECT_EQ(statesOf(spy), kNormalProbe);
    EXPECT_EQ(wakeUps.count, 1);
}

TEST_F(InetTransferTest, ANestedEventLoopInAHandlerLetsNoLaterStateOvertake) {
    FakeHttpServer server(httpReply("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"));
    QObject::connect(&inet, &TransferControl::StateChanged, &inet, [](int state) {
        if (state != transfer_state::ResolvingHost) return;
        QEventLoop loop;  // as a modal window shown from a handler runs one
        QTimer::singleShot(100, &loop, &QEventLoop::quit);
        loop.exec();
    });
    std::vector<int> seen;  // by a handler that runs after the one above
    QObject::connect(&inet, &TransferControl::StateChanged, &inet,
                     [&seen](int state) { seen.push_back(state); });
    ASSERT_TRUE(inet.Execute(QString::fromStdString(server.url()), QStringLiteral("GET")));
    ASSERT_TRUE(waitForEnd(spy));
    EXPECT_EQ(seen, kNormalProbe);
}

// --- transfer errors -------------------------------------------------------

TEST_F(InetTransferTest, RefusedConnectionIsAnErrorWithCurlsNumberAndText) {
    test::RefusingPort refusing;
    ASSERT_TRUE(inet.Execute(QStringLiteral("http://127.0.0.1:%1/").arg(refusing.port()), QStringLiteral("GET")));
    ASSERT_TRUE(waitForEnd(spy));
    EXPECT_EQ(statesOf(spy), (std::vector<int>{1, 2, 3, 9, 10, 11}));
    EXPECT_FALSE(inet.StillExecuting());
    EXPECT_EQ(inet.ResponseCode(), 7);  // could not connect
    EXPECT_TRUE(inet.ResponseInfo().startsWith(QStringLiteral("Failed to connect to 127.0.0.1 port")))
        << inet.ResponseInfo().toStdString();
    EXPECT_EQ(inet.GetHeader(), QString());
}

TEST_F(InetTransferTest, ResetInTheMiddleOfTheHeaderIsAReceiveError) {
    FakeHttpServer server({HttpStep::readRequest(), HttpStep::send("HTTP/1.1 200 OK\r\nContent-"), HttpStep::reset()});
    ASSERT_TRUE(inet.Execute(QString::fromStdString(server.url()), QStringLiteral("GET")));
    ASSERT_TRUE(waitForEnd(spy));
    auto states = statesOf(spy);
    EXPECT_EQ(states.back(), transfer_state::Error);
    EXPECT_EQ(std::count(states.begin(), states.end(), transfer_state::ResponseReceived), 0);
    EXPECT_EQ(std::count(states.begin(), states.end(), transfer_state::ResponseCompleted), 0);
    EXPECT_EQ(inet.ResponseCode(), 56);  // failure receiving network data
    EXPECT_FALSE(inet.ResponseInfo().isEmpty());
}

// A header the client will not take is the server's fault, told as such:
// never as an out-of-memory error of the monitor.
struct OversizeRow {
    const char* name;
    std::string response;
    qint32 code;
    QString info;
    friend void PrintTo(const OversizeRow& row, std::ostream* os) { *os << row.name; }
};

class InetOversizeHeaderTest : public InetTransferTest,
                               public ::testing::WithParamInterface<OversizeRow> {};

TEST_P(InetOversizeHeaderTest, IsAServerFault) {
    FakeHttpServer server(httpReply(GetParam().response));
    ASSERT_TRUE(inet.Execute(QString::fromStdString(server.url()), QStringLiteral("GET")));
    ASSERT_TRUE(waitForEnd(spy, 20'000));
    EXPECT_EQ(statesOf(spy).back(), transfer_state::Error);
    EXPECT_EQ(inet.ResponseCode(), GetParam().code);
    EXPECT_TRUE(inet.ResponseInfo().startsWith(GetParam().info))
        << inet.ResponseInfo().toStdString();
}

std::string ManyHeaderLines(int lines) {
    std::string header;
    for (int n = 0; n < lines; ++n)
        header += "X-Line-" + std::to_string(n) + ": " + std::string(1000, 'b') + "\r\n";
    return header;
}

INSTANTIATE_TEST_SUITE_P(
    Headers, InetOversizeHeaderTest,
    ::testing::Values(OversizeRow{"TenMegabyteHeaderLine",
                                  "HTTP/1.1 200 OK\r\nX-Big: " + std::string(10'000'000, 'a') +
                                      "\r\n\r\n",
                                  8, QStringLiteral("Response header too large")},
                      OversizeRow{"StatusLineOfTwoHundredKilobytes",
                                  "HTTP/1.1 200 " + std::string(200'000, 'o') + "\r\n\r\n", 8,
                                  QStringLiteral("Response header too large")},
                      // curl names this one itself.
                      OversizeRow{"TenThousandHeaderLines",
                                  "HTTP/1.1 200 OK\r\n" + ManyHeaderLines(10'000) + "\r\n", 56,
                                  QStringLiteral("Too large response headers")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(InetTransferTest, SilentServerTimesOutWithinTheRequestTimeOut) {
    FakeHttpServer server({HttpStep::silent()});
    inet.setRequestTimeout(1);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(inet.Execute(QString::fromStdString(server.url()), QStringLiteral("GET")));
    ASSERT_TRUE(waitForEnd(spy, 3000));
    const qint64 elapsed = clock.elapsed();
    EXPECT_GE(elapsed, 900);
    EXPECT_LT(elapsed, 2000);
    EXPECT_EQ(statesOf(spy), (std::vector<int>{1, 2, 3, 4, 5, 6, 9, 10, 11}));
    EXPECT_EQ(inet.ResponseCode(), 28);  // operation timed out
    EXPECT_TRUE(server.waitForPeerCloses(1, 2s)) << "the timed-out connection must be closed";
}

struct BadAddressRow {
    const char* name;
    const char* url;
    qint32 code;
    friend void PrintTo(const BadAddressRow& row, std::ostream* os) { *os << row.name; }
};

class InetBadAddressTest : public InetTransferTest, public ::testing::WithParamInterface<BadAddressRow> {};

TEST_P(InetBadAddressTest, IsRefusedThroughTheEventsNotInsideExecute) {
    ASSERT_TRUE(inet.Execute(QString::fromLatin1(GetParam().url), QStringLiteral("GET")));
    EXPECT_TRUE(spy.isEmpty());
    ASSERT_TRUE(waitForEnd(spy));
    EXPECT_EQ(statesOf(spy), (std::vector<int>{1, 11}));
    EXPECT_EQ(inet.ResponseCode(), GetParam().code);
    EXPECT_FALSE(inet.ResponseInfo().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Addresses, InetBadAddressTest,
                         ::testing::Values(BadAddressRow{"BlankInHost", "http://bad host/", 3},
                                           BadAddressRow{"NoHost", "http://", 3},
                                           BadAddressRow{"NotHttp", "file:///etc/passwd", 1}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- memory and cookies ----------------------------------------------------

TEST_F(InetTransferTest, HundredMegabyteBodyKeepsMemoryFlat) {
    constexpr std::uint64_t kBody = 100ull * 1024 * 1024;
    FakeHttpServer server({HttpStep::readRequest(),
                           HttpStep::send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kBody) + "\r\n\r\n"),
                           HttpStep::stream(kBody), HttpStep::close()});
    const std::uint64_t before = test::residentBytes();
    ASSERT_TRUE(inet.Execute(QString::fromStdString(server.url()), QStringLiteral("GET")));
    ASSERT_TRUE(waitForEnd(spy, 120000));
    EXPECT_EQ(statesOf(spy), kNormalProbe);
    const std::uint64_t after = test::residentBytes();
    ASSERT_GT(before, 0u);
    EXPECT_LT(after, before + 16ull * 1024 * 1024) << "resident memory grew from " << before << " to " << after;
}

struct CookieRow {
    const char* name;
    int firstPolicy;   // "AllowCookies" while the cookie is set
    int secondPolicy;  // and while the next request goes out
    bool sentBack;
    friend void PrintTo(const CookieRow& row, std::ostream* os) { *os << row.name; }
};

class InetCookieTest : public InetTransferTest, public ::testing::WithParamInterface<CookieRow> {};

TEST_P(InetCookieTest, CookieOfOneResponseIsSentWithTheNextOnlyWhenAllowed) {
    FakeHttpServer server(httpReply("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"));
    server.queue(httpReply("HTTP/1.1 200 OK\r\nSet-Cookie: probe=abc; Path=/\r\nContent-Length: 0\r\n\r\n"));

    cookiePolicy = GetParam().firstPolicy;
    ASSERT_TRUE(inet.Execute(QString::fromStdString(server.url("/one")), QStringLiteral("GET")));
    ASSERT_TRUE(waitForEnd(spy));
    spy.clear();
    cookiePolicy = GetParam().secondPolicy;
    ASSERT_TRUE(inet.Execute(QString::fromStdString(server.url("/two")), QStringLiteral("GET")));
    ASSERT_TRUE(waitForEnd(spy));

    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].find("Cookie:"), std::string::npos);
    EXPECT_EQ(requests[1].find("Cookie: probe=abc\r\n") != std::string::npos, GetParam().sentBack) << requests[1];
}

INSTANTIATE_TEST_SUITE_P(AllowCookies, InetCookieTest,
                         ::testing::Values(CookieRow{"KeptInMemory", 1, 1, true},
                                           CookieRow{"Refused", 2, 2, false},
                                           CookieRow{"RefusedThenAllowedWasNeverKept", 2, 1, false},
                                           CookieRow{"KeptThenRefused", 1, 2, false},
                                           CookieRow{"UnreadableValueAccepts", 0, 0, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- cancel and refusals -----------------------------------------------------

TEST_F(InetTransferTest, CancelWhileConnectingStopsAtOnceAndFreesTheControl) {
    test::StalledListener stalled;
    if (!stalled.stalled()) GTEST_SKIP() << "this system completes every connection attempt";
    ASSERT_TRUE(inet.Execute(QStringLiteral("http://127.0.0.1:%1/").arg(stalled.port()), QStringLiteral("GET")));
    ASSERT_TRUE(waitForState(spy, transfer_state::Connecting));
    QElapsedTimer clock;
    clock.start();
    inet.Cancel();
    EXPECT_LT(clock.elapsed(), 100);
    EXPECT_FALSE(inet.StillExecuting());
    EXPECT_EQ(statesOf(spy), (std::vector<int>{1, 2, 3}));
    EXPECT_FALSE(spy.wait(300)) << "no event of a cancelled request may arrive";

    // The next request is not held up by the cancelled one.
    FakeHttpServer server(httpReply("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"));
    spy.clear();
    ASSERT_TRUE(inet.Execute(QString::fromStdString(server.url()), QStringLiteral("GET")));
    ASSERT_TRUE(waitForEnd(spy, 2000));
    EXPECT_EQ(statesOf(spy), kNormalProbe);
}

TEST_F(InetTransferTest, CancelWhileReceivingClosesTheConnectionWithin100ms) {
    FakeHttpServer server({HttpStep::readRequest(),
                           HttpStep::send("HTTP/1.1 200 OK\r\nContent-Length: 1000000000\r\n\r\n"),
                           HttpStep::stream(64 * 1024), HttpStep::silent()});
    ASSERT_TRUE(inet.Execute(QString::fromStdString(server.url()), QStringLiteral("GET")));
    ASSERT_TRUE(waitForState(spy, transfer_state::ReceivingResponse));
    const auto cancelled = FakeHttpServer::Clock::now();
    inet.Cancel();
    EXPECT_FALSE(inet.StillExecuting());
    ASSERT_TRUE(server.waitForPeerCloses(1, 1s));
    EXPECT_LT(server.peerCloses()[0] - cancelled, 100ms);
    EXPECT_EQ(statesOf(spy), (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_FALSE(spy.wait(200)) << "no event of a cancelled request may arrive";
}

TEST_F(InetTransferTest, RefusesASecondRequestAndOtherOperations) {
    FakeHttpServer server({HttpStep::readRequest(), HttpStep::silent()});
    EXPECT_FALSE(inet.Execute(QString::fromStdString(server.url()), QStringLiteral("POST")));
    EXPECT_FALSE(inet.StillExecuting());
    ASSERT_TRUE(inet.Execute(QString::fromStdString(server.url("/first")), QStringLiteral("GET")));
    EXPECT_FALSE(inet.Execute(QString::fromStdString(server.url("/second")), QStringLiteral("GET")));
    EXPECT_EQ(inet.URL(), QString::fromStdString(server.url("/first")));
    inet.Cancel();
    inet.Cancel();  // a second Cancel on an idle control does nothing
    EXPECT_FALSE(inet.StillExecuting());
}

TEST_F(InetTransferTest, ExecuteFromInsideTheFinalEventStartsTheNextRequest) {
    // The handler of state 12 starts the next request, as an IP double check
    // does; the second one is refused.
    FakeHttpServer server(httpReply("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"));
    test::RefusingPort refusing;
    QObject::connect(&inet, &TransferControl::StateChanged, &inet, [&](int state) {
        if (state == transfer_state::ResponseCompleted) {
            EXPECT_FALSE(inet.StillExecuting());
            EXPECT_TRUE(inet.Execute(QStringLiteral("http://127.0.0.1:%1/").arg(refusing.port()), QStringLiteral("GET")));
        }
    });
    ASSERT_TRUE(inet.Execute(QString::fromStdString(server.url()), QStringLiteral("GET")));
    ASSERT_TRUE(waitForEnd(spy));
    EXPECT_TRUE(inet.StillExecuting());
    spy.clear();
    ASSERT_TRUE(waitForEnd(spy));
    EXPECT_EQ(statesOf(spy).back(), transfer_state::Error);
    EXPECT_EQ(inet.ResponseCode(), 7);
    EXPECT_EQ(inet.GetHeader(), QString()) << "a new request starts with an empty header";
}

}  // namespace
}  // namespace ossivant
