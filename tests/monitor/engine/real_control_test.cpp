// The engine driving the real transfer control against scripted local
// servers, on a real event loop: nothing waits but the event loop itself.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>

#include "monitor/report/log_line.h"
#include "tests/support/fake_http_server.h"
#include "tests/support/live_engine.h"

namespace ossivant::test {
namespace {

class RealControlTest : public ::testing::Test, protected LiveEngine {
protected:
    RealControlTest() { settings.DiskLogDisabled = 0; }

    std::int32_t addSite(const std::string& url, std::int32_t timeOut = 5,
                         std::uint8_t enabled = 1) {
        const std::string bare = url.substr(std::string("http://").size());
        return sites.append(
            SiteRecord{{}, QString::fromStdString(bare), StatusOK, enabled, timeOut, {}});
    }

    QStringList logLines() const {
        QFile file(log.LogFileName());
        if (!file.open(QIODevice::ReadOnly)) return {};
        QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
        lines.removeAll(QString());
        return lines;
    }
};

TEST_F(RealControlTest, CycleOverLiveServersRecordsEveryOutcome) {
    FakeHttpServer ok(httpReply("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"));
    FakeHttpServer missing(httpReply("HTTP/1.0 404 Not Found\r\n\r\n"));
    FakeHttpServer silent({HttpStep::readRequest(), HttpStep::silent()});
    RefusingPort refused;

    const auto a = addSite(ok.url("/"));
    const auto b = addSite(missing.url("/gone"));
    const auto c = addSite(silent.url("/"), 1);
    const auto d = addSite("http://127.0.0.1:" + std::to_string(refused.port()) + "/");
    const auto e = addSite(ok.url("/off"), 5, 0);

    ASSERT_TRUE(runCycle(20));

    EXPECT_EQ(sites[a].Status, StatusOK);
    EXPECT_EQ(sites[b].Comments, QStringLiteral("404 File Not Found"));
    EXPECT_EQ(sites[c].Status, StatusWarning);  // time-out: ours (8001) or the control's (8080)
    EXPECT_TRUE(sites[c].Comments == QStringLiteral("Request Timed-Out") ||
                sites[c].Comments.startsWith(QStringLiteral("ERROR:  ")))
        << sites[c].Comments.toStdString();
    EXPECT_TRUE(sites[d].Comments.startsWith(QStringLiteral("ERROR:  7 ")))
        << sites[d].Comments.toStdString();  // could not connect
    EXPECT_EQ(sites[e].Status, StatusOK);
    EXPECT_EQ(ok.connections(), 1);

    const QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 7);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("[START CHECK: MANUAL")));
    EXPECT_TRUE(lines[5].contains(QStringLiteral(",Unknown Site: Site #,")));
    EXPECT_EQ(lines[6], QStringLiteral("[END CHECK]"));
    EXPECT_FALSE(inet.StillExecuting());
    // States of the transfer were shown on the way.
    EXPECT_TRUE(screen.progress.statusHistory.contains(QStringLiteral("Connecting...")));
}

// The cycle's cookie switch reaches the control: a cookie set by the first
// site is sent to the second only when cookies are accepted.
TEST_F(RealControlTest, CookiesFollowTheCyclesAllowType) {
    for (const std::int16_t allowType : {2, 1}) {
        SCOPED_TRACE(allowType);
        settings.AllowType = allowType;
        FakeHttpServer server(httpReply("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"));
        server.queue(httpReply(
            "HTTP/1.1 200 OK\r\nSet-Cookie: visit=1; Path=/\r\nContent-Length: 0\r\n\r\n"));
        sites.clear();
        addSite(server.url("/first"));
        addSite(server.url("/second"));
        ASSERT_TRUE(runCycle(10));
        const auto requests = server.requests();
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_EQ(requests[1].find("Cookie: visit=1") != std::string::npos, allowType == 1);
    }
}

}  // namespace
}  // namespace ossivant::test
