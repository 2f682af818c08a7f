// The monitor's check engine, headless, against real local parts: Python's
// http.server serves a site that answers 404, the real transfer control
// probes it, the real hand-off library starts the real quorvane3, and
// aiosmtpd receives the alert. Two cycles make the site down; a third sends
// nothing more.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "monitor/report/send_email.h"
#include "tests/e2e/http_404_server.h"
#include "tests/e2e/smtp_sink.h"
#include "tests/support/live_engine.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tls_server.h"

namespace {

using namespace std::chrono_literals;
using namespace ossivant;

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class EngineAlertE2ETest : public ::testing::Test, protected test::LiveEngine {
protected:
    void SetUp() override {
        alerts.forwardTo = &handOff;
        ::setenv("TMPDIR", tmp.path().c_str(), 1);
        ::setenv("QUORVANE3_INI", tmp.file("quorvane3.ini").c_str(), 1);
        ::setenv("VB_QUORVANE3_SPOOL", spool.path().c_str(), 1);
        ::setenv("no_proxy", "127.0.0.1,localhost", 1);
        ASSERT_NE(sink.Port(), 0) << "the SMTP server (python3-aiosmtpd) did not start";
        ASSERT_NE(http.port(), 0) << "Python's http.server did not start";

        settings.ManagerEmail = QStringLiteral("boss@example.org");
        settings.ManagerName = QStringLiteral("Dana Boss");
        settings.ManagerSMTP = QStringLiteral("127.0.0.1");
        settings.ManagerSMTPPort = sink.Port();
        settings.LogPath = QString::fromStdString(logs.path().string());
    }
    void TearDown() override {
        ::unsetenv("TMPDIR");
        ::unsetenv("QUORVANE3_INI");
        ::unsetenv("VB_QUORVANE3_SPOOL");
    }

    // Waits (bounded) until the detached sender has logged and left no job.
    std::string sendLog() {
        std::string log;
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (std::chrono::steady_clock::now() < deadline) {
            log.clear();
            bool jobsLeft = false;
            for (const auto& entry : std::filesystem::directory_iterator(spool.path())) {
                if (entry.path().extension() == ".log") log += ReadText(entry.path());
                if (entry.path().filename().string().rfind("job-", 0) == 0) jobsLeft = true;
            }
            if (!log.empty() && !jobsLeft) break;
            std::this_thread::sleep_for(20ms);
        }
        return log;
    }

    test::TempDir tmp, spool, logs, received, www;
    e2e::SmtpSink sink{received.path().string()};
    e2e::HttpServer http{www.path().string()};
    HandOffAlertSender handOff{settings, QStringLiteral(OSSIVANT_PROGRAM_DIR_PATH)};
};

TEST_F(EngineAlertE2ETest, SiteThatAnswers404TwiceSendsExactlyOneAlert) {
    const QString url = QStringLiteral("127.0.0.1:%1/status.html").arg(http.port());
    SiteRecord site;
    site.URL = url;
    site.Status = StatusUnchecked;
    site.Enabled = 1;
    site.TimeOut = 10;
    store.SaveSite(sites.append(site), true);

    ASSERT_TRUE(runCycle(30));
    EXPECT_EQ(sites[1].Status, StatusWarning);
    EXPECT_FALSE(sink.Next(0ms));

    ASSERT_TRUE(runCycle(30));
    EXPECT_EQ(sites[1].Status, StatusFailed);
    EXPECT_EQ(screen.window.beeps, 1);

    const std::optional<e2e::ReceivedMail> mail = sink.Next(30s);
    ASSERT_TRUE(mail);
    EXPECT_EQ(mail->defects, std::vector<std::string>{});
    EXPECT_EQ(mail->recipients, std::vector<std::string>{"boss@example.org"});
    EXPECT_EQ(mail->Header("From"), "Ossivant <boss@example.org>");
    EXPECT_EQ(mail->Header("Subject"), "Ossivant Alert");
    EXPECT_EQ(mail->Header("X-Mailer"), "Quorvane 3.0");
    // The shipped 404 template, its placeholders filled (and its lines
    // wrapped, so compare with every run of blanks and line breaks as one blank).
    const std::string address = "http://" + url.toStdString();
    const std::string flat = e2e::Flattened(mail->body);
    EXPECT_EQ(flat.rfind("Dear Dana Boss, Ossivant checked " + address +
                             " and the server answered with HTTP response code 404 (Not Found).",
                         0),
              0u)
        << mail->body;
    EXPECT_NE(flat.find("The page was not found on the server."), std::string::npos);
    EXPECT_EQ(mail->body.find('%'), std::string::npos) << mail->body;

    // A third failure records, but mails nothing.
    ASSERT_TRUE(runCycle(30));
    EXPECT_EQ(sites[1].Status, StatusFailed);
    const std::string sent = sendLog();
    std::size_t successes = 0;
    for (std::size_t at = 0; (at = sent.find("Succeeded to send a mail", at)) != std::string::npos;
         ++at)
        ++successes;
    EXPECT_EQ(successes, 1u) << sent;
    EXPECT_FALSE(sink.Next(500ms));

    // The check log: start, data and end line of each cycle.
    QFile file(log.LogFileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    lines.removeAll(QString());
    ASSERT_EQ(lines.size(), 9);
    for (int c = 0; c < 3; ++c) {
        EXPECT_TRUE(lines[3 * c].startsWith(QStringLiteral("[START CHECK: MANUAL - ")));
        EXPECT_TRUE(lines[3 * c + 1].contains(QStringLiteral(",http://") + url +
                                              QStringLiteral(",404 File Not Found,")));
        EXPECT_EQ(lines[3 * c + 2], QStringLiteral("[END CHECK]"));
    }
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(",4")));
    EXPECT_TRUE(lines[4].endsWith(QStringLiteral(",E-mail Notification Sent,2")));
    EXPECT_TRUE(lines[7].endsWith(QStringLiteral(",,2")));
}

// A secure site's alert names it by its own "https://" address.
TEST_F(EngineAlertE2ETest, HttpsSiteAlertCarriesItsSecureAddress) {
    test::TrustedTlsCertificates certs;
    ASSERT_TRUE(certs.ok()) << certs.error().toStdString();
    test::TlsServer server(certs.certFile(test::TlsCertificates::Good), certs.keyFile());
    ASSERT_TRUE(server.started());
    const QString url = server.url(QStringLiteral("/missing.html"));
    store.SaveSite(sites.append(SiteRecord{{}, url, StatusWarning, 1, 10, {}}), true);

    ASSERT_TRUE(runCycle(30));
    EXPECT_EQ(sites[1].Status, StatusFailed);
    const std::optional<e2e::ReceivedMail> mail = sink.Next(30s);
    ASSERT_TRUE(mail);
    EXPECT_EQ(e2e::Flattened(mail->body)
                  .rfind("Dear Dana Boss, Ossivant checked " + url.toStdString() +
                             " and the server answered with HTTP response code 404 (Not Found).",
                         0),
              0u)
        << mail->body;
    EXPECT_EQ(mail->body.find("http://https://"), std::string::npos) << mail->body;
}

}  // namespace
