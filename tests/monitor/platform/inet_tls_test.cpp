// The transfer control over TLS against a local HTTPS server whose
// certificates the test makes.

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QSignalSpy>

#include "monitor/platform/inet_transfer.h"
#include "tests/support/core_app.h"
#include "tests/support/tls_server.h"

namespace ossivant {
namespace {

using test::TlsCertificates;
using test::TlsServer;
using test::TrustedTlsCertificates;

struct Outcome {
    int state = 0;  // 11 or 12; 0 when the request did not end in time
    qint32 code = 0;
    QString info;
    QString header;
    int daysLeft = -1;
};

// Runs one GET through `inet` and waits (in the event loop) for its end.
Outcome fetch(InetTransfer& inet, const QString& url) {
    QSignalSpy spy(&inet, &TransferControl::StateChanged);
    inet.setRequestTimeout(10);
    EXPECT_TRUE(inet.Execute(url, QStringLiteral("GET")));
    QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired()) {
        if (!spy.isEmpty()) {
            const int last = spy.last().at(0).toInt();
            if (last == transfer_state::Error || last == transfer_state::ResponseCompleted)
                return {last, inet.ResponseCode(), inet.ResponseInfo(), inet.GetHeader(),
                        inet.CertificateDaysLeft()};
        }
        spy.wait(100);
    }
    inet.Cancel();
    return {};
}

class InetTlsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        test::coreApplication();
        certs = new TrustedTlsCertificates;
    }
    static void TearDownTestSuite() {
        delete certs;
        certs = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(certs->ok()) << certs->error().toStdString(); }

    static inline TrustedTlsCertificates* certs = nullptr;
};

struct CertRow {
    const char* name;
    TlsCertificates::Kind kind;
    int state;
    const char* infoPart;  // in ResponseInfo, case ignored
    int minDays, maxDays;  // CertificateDaysLeft
    friend void PrintTo(const CertRow& row, std::ostream* os) { *os << row.name; }
};

class InetCertificateTest : public InetTlsTest, public ::testing::WithParamInterface<CertRow> {};

TEST_P(InetCertificateTest, IsVerifiedAgainstTheTrustStoreAndTheHostName) {
    const CertRow& row = GetParam();
    TlsServer server(certs->certFile(row.kind), certs->keyFile());
    ASSERT_TRUE(server.started());
    InetTransfer inet;
    const Outcome out = fetch(inet, server.url(QStringLiteral("/page")));
    EXPECT_EQ(out.state, row.state) << out.info.toStdString();
    EXPECT_TRUE(out.info.contains(QLatin1String(row.infoPart), Qt::CaseInsensitive))
        << out.info.toStdString();
    EXPECT_GE(out.daysLeft, row.minDays);
    EXPECT_LE(out.daysLeft, row.maxDays);
    if (row.state == transfer_state::ResponseCompleted) {
        EXPECT_TRUE(out.header.startsWith(QStringLiteral("HTTP/1.1 200 OK")));
        EXPECT_EQ(out.code, 0);
    } else {
        EXPECT_TRUE(out.header.isEmpty());
        EXPECT_NE(out.code, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, InetCertificateTest,
    ::testing::Values(
        CertRow{"good", TlsCertificates::Good, transfer_state::ResponseCompleted, "", 365, 366},
        CertRow{"expiring", TlsCertificates::ExpiresSoon, transfer_state::ResponseCompleted, "", 5,
                5},
        CertRow{"expired", TlsCertificates::Expired, transfer_state::Error,
                "certificate has expired", -1, -1},
        CertRow{"not yet valid", TlsCertificates::NotYetValid, transfer_state::Error,
                "certificate is not yet valid", -1, -1},
        CertRow{"wrong host", TlsCertificates::WrongHost, transfer_state::Error,
                "no alternative certificate subject name matches target host name 'localhost'", -1,
                -1},
        CertRow{"self-signed", TlsCertificates::SelfSigned, transfer_state::Error,
                "self-signed certificate", -1, -1}),
    [](const auto& info) {
        std::string name = info.param.name;
        std::replace_if(
            name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
        return name;
    });

// Asked at the server's address in the site's name, the certificate made for
// the name passes; without the name the address itself is checked, and fails.
TEST_F(InetTlsTest, ServerNameIsSentToTheAddressAndVerified) {
    TlsServer server(certs->certFile(TlsCertificates::Good), certs->keyFile());
    ASSERT_TRUE(server.started());
    InetTransfer inet;
    const QString address = server.url(QStringLiteral("/"), QStringLiteral("127.0.0.1"));

    inet.setServerName(QStringLiteral("localhost"));
    Outcome out = fetch(inet, address);
    ASSERT_EQ(out.state, transfer_state::ResponseCompleted) << out.info.toStdString();
    EXPECT_TRUE(out.header.contains(QStringLiteral("X-Host-Seen: localhost:%1").arg(server.port())))
        << out.header.toStdString();
    EXPECT_EQ(inet.URL(), address);

    inet.setServerName(QString());
    out = fetch(inet, address);
    EXPECT_EQ(out.state, transfer_state::Error);
    EXPECT_TRUE(out.info.contains(QStringLiteral("127.0.0.1"))) << out.info.toStdString();
}

// The extra authority is what makes the test server trusted: without it the
// system's store alone is used; an unreadable file fails every HTTPS request
// and says so.
TEST_F(InetTlsTest, CaFileVariableAddsToTheSystemStore) {
    TlsServer server(certs->certFile(TlsCertificates::Good), certs->keyFile());
    ASSERT_TRUE(server.started());
    struct Row {
        QByteArray value;
        int state;
        const char* infoPart;
    };
    const Row rows[] = {
        {{}, transfer_state::Error, "unable to get local issuer certificate"},
        {"/nonexistent/ca.pem", transfer_state::Error,
         "CA cert (path? access rights?): /nonexistent/ca.pem"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value.toStdString());
        qputenv(InetTransfer::kCaFileVariable, row.value);
        InetTransfer inet;
        const Outcome out = fetch(inet, server.url());
        EXPECT_EQ(out.state, row.state);
        EXPECT_TRUE(out.info.contains(QLatin1String(row.infoPart), Qt::CaseInsensitive))
            << out.info.toStdString();
    }
    qputenv(InetTransfer::kCaFileVariable, certs->caFile().toLocal8Bit());
}

}  // namespace
}  // namespace ossivant
