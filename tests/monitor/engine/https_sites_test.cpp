// Whole cycles over HTTPS sites: the engine on the real transfer control
// against local TLS servers whose certificates the test makes.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>

#include "monitor/report/alert_text.h"
#include "tests/support/fake_http_server.h"
#include "tests/support/live_engine.h"
#include "tests/support/tls_server.h"

namespace ossivant::test {
namespace {

class HttpsSitesTest : public ::testing::Test, protected LiveEngine {
protected:
    static void SetUpTestSuite() { certs = new TrustedTlsCertificates; }
    static void TearDownTestSuite() {
        delete certs;
        certs = nullptr;
    }
    HttpsSitesTest() { settings.DiskLogDisabled = 0; }
    void SetUp() override { ASSERT_TRUE(certs->ok()) << certs->error().toStdString(); }

    std::int32_t addSite(const QString& url, const QString& ip = {},
                         std::uint8_t status = StatusOK) {
        return sites.append(SiteRecord{ip, url, status, 1, 10, {}});
    }

    QString logText() const {
        QFile file(log.LogFileName());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    static inline TrustedTlsCertificates* certs = nullptr;
};

// One cycle over plain and secure sites: each outcome lands in the site's
// comment and light, the secure addresses are shown and logged as stored.
TEST_F(HttpsSitesTest, MixedCycleRecordsEveryOutcome) {
    using K = TlsCertificates;
    FakeHttpServer plain(httpReply("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"));
    TlsServer good(certs->certFile(K::Good), certs->keyFile());
    TlsServer soon(certs->certFile(K::ExpiresSoon), certs->keyFile());
    TlsServer expired(certs->certFile(K::Expired), certs->keyFile());
    TlsServer wrongHost(certs->certFile(K::WrongHost), certs->keyFile());
    TlsServer selfSigned(certs->certFile(K::SelfSigned), certs->keyFile());
    for (const TlsServer* s : {&good, &soon, &expired, &wrongHost, &selfSigned})
        ASSERT_TRUE(s->started());

    struct Row {
        QString url;
        std::uint8_t status;
        QString comment;  // the start of it
        QString cause;    // further in it
    };
    const QString plainUrl = QString::fromStdString(plain.url("/")).mid(7);
    const Row rows[] = {
        {plainUrl, StatusOK, "Site OK", {}},
        {good.url("/home"), StatusOK, "Site OK", {}},
        {"HTTPS" + good.url("/missing").mid(5), StatusWarning, "404 File Not Found", {}},
        {soon.url(), StatusOK, "Site OK (certificate expires in 5 days)", {}},
        {expired.url(), StatusWarning, "ERROR:  60 ", "certificate has expired"},
        {wrongHost.url(), StatusWarning, "ERROR:  60 ", "'localhost'"},
        {selfSigned.url(), StatusWarning, "ERROR:  60 ", "self-signed certificate"},
    };
    for (const Row& row : rows) addSite(row.url);

    ASSERT_TRUE(runCycle(60));

    const QString log = logText();
    for (int i = 1; i <= int(std::size(rows)); ++i) {
        const Row& row = rows[i - 1];
        SCOPED_TRACE(row.url.toStdString());
        EXPECT_EQ(sites[i].Status, row.status);
        EXPECT_TRUE(sites[i].Comments.startsWith(row.comment)) << sites[i].Comments.toStdString();
        EXPECT_TRUE(sites[i].Comments.contains(row.cause)) << sites[i].Comments.toStdString();
        EXPECT_EQ(screen.rows.comments[i], sites[i].Comments);
        EXPECT_TRUE(log.contains(HttpAddress(row.url) + QLatin1Char(','))) << log.toStdString();
    }
    EXPECT_EQ(sites[1].URL, plainUrl);
    EXPECT_TRUE(log.contains("http://" + plainUrl + ","));
    EXPECT_FALSE(log.contains("http://https://", Qt::CaseInsensitive));
    EXPECT_EQ(plain.connections(), 1);
}

// A secure site that fails twice goes down with its "https://" address in
// the alert; the IP double check asks the IP in the site's name and passes.
TEST_F(HttpsSitesTest, DownSiteIsDoubleCheckedAtItsIpAndAlertedWithItsAddress) {
    TlsServer server(certs->certFile(TlsCertificates::Good), certs->keyFile());
    ASSERT_TRUE(server.started());
    const QString url = server.url(QStringLiteral("/missing/page"));
    const QString ip = QStringLiteral("127.0.0.1:%1").arg(server.port());
    const auto i = addSite(url, ip, StatusWarning);

    ASSERT_TRUE(runCycle(30));

    EXPECT_EQ(sites[i].Status, StatusFailed);
    EXPECT_EQ(screen.rows.comments[i], QStringLiteral("404 File Not Found (IP Check: OK)"));
    EXPECT_EQ(screen.progress.siteName, "IP Check: https://" + ip);
    ASSERT_EQ(alerts.sent.size(), 1u);
    EXPECT_EQ(alerts.sent[0].code, QStringLiteral("404"));
    EXPECT_EQ(alerts.sent[0].facts.DoubleCheckResult, 1);
    EXPECT_EQ(SubstitutePlaceholders(QStringLiteral("%URL% | %IP%"), alerts.sent[0].code, settings,
                                     alerts.sent[0].facts),
              url + " | https://" + ip);
    EXPECT_EQ(screen.window.downNotices, QStringList{url + " | 404 File Not Found (IP Check: OK)"});
    EXPECT_TRUE(logText().contains("(1) " + url + "<BR>(2) https://" + ip + ","))
        << logText().toStdString();
}

// Without the IP check, a certificate failure is the transfer error 8080 and
// the alert's %URL% is the secure address itself.
TEST_F(HttpsSitesTest, CertificateFailureAlertsWithCode8080) {
    TlsServer server(certs->certFile(TlsCertificates::Expired), certs->keyFile());
    ASSERT_TRUE(server.started());
    const auto i = addSite(server.url(), {}, StatusWarning);

    ASSERT_TRUE(runCycle(30));

    EXPECT_EQ(sites[i].Status, StatusFailed);
    ASSERT_EQ(alerts.sent.size(), 1u);
    EXPECT_EQ(alerts.sent[0].code, QStringLiteral("8080"));
    EXPECT_EQ(alerts.sent[0].facts.probeResponseCode, 60);
    EXPECT_TRUE(alerts.sent[0].facts.probeResponseInfo.contains("certificate has expired"));
    EXPECT_EQ(SubstitutePlaceholders(QStringLiteral("%URL%"), alerts.sent[0].code, settings,
                                     alerts.sent[0].facts),
              server.url());
}

}  // namespace
}  // namespace ossivant::test
