// What becomes of an alert, with the real hand-off library, the real
// quorvane3 and aiosmtpd: each server fault is told, and what may pass is
// sent again when the clock reaches its next try.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cerrno>
#include <cstring>
#include <sys/mount.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "monitor/engine/alert_news_text.h"
#include "monitor/engine/panel_time.h"
#include "monitor/report/alert_deliveries.h"
#include "monitor/report/send_email.h"
#include "monitor/report/tracking_alert_sender.h"
#include "tests/e2e/smtp_sink.h"
#include "tests/support/fake_clock.h"
#include "tests/support/print_qstring.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace std::chrono_literals;
using namespace ossivant;

class Told final : public AlertNewsListener {
public:
    void tellAlertNews(const AlertNews& news) override { lines.push_back(AlertNewsText(news)); }
    std::vector<QString> lines;
};

class AlertDeliveryE2ETest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TMPDIR", tmp.path().c_str(), 1);
        ::setenv("QUORVANE3_INI", tmp.file("quorvane3.ini").c_str(), 1);
        ::setenv("VB_QUORVANE3_SPOOL", spool.path().c_str(), 1);
        settings.ManagerEmail = QStringLiteral("boss@example.org");
        settings.ManagerSMTP = QStringLiteral("127.0.0.1");
    }
    void TearDown() override {
        ::unsetenv("TMPDIR");
        ::unsetenv("QUORVANE3_INI");
        ::unsetenv("VB_QUORVANE3_SPOOL");
    }

    void sendAlert() {
        AlertFacts facts;
        facts.site.URL = QStringLiteral("www.example.net/shop");
        ASSERT_EQ(alerts.SendEmail(QStringLiteral("404"), facts), 0);
    }
    // Ticks until one more line is told, for as long as a real session may take.
    QString nextTold(std::chrono::milliseconds bound = 60s) {
        const std::size_t before = told.lines.size();
        const auto deadline = std::chrono::steady_clock::now() + bound;
        while (told.lines.size() == before && std::chrono::steady_clock::now() < deadline) {
            deliveries.tick();
            std::this_thread::sleep_for(20ms);
        }
        return told.lines.size() > before ? told.lines.back() : QStringLiteral("<nothing told>");
    }
    // The retry is due now: the alert is delivered once, never again, and
    // leaves nothing behind in the spool.
    void expectDeliveredOnce(e2e::SmtpSink& sink, const char* twice) {
        EXPECT_EQ(nextTold(), "Alert for www.example.net/shop delivered");
        EXPECT_TRUE(sink.Next(5s));
        clock.advanceDays(1);
        deliveries.tick();
        EXPECT_FALSE(sink.Next(1s)) << twice;
        EXPECT_TRUE(spoolEmpty());
    }
    bool spoolEmpty() const {
        for (const auto& entry : std::filesystem::directory_iterator(spool.path()))
            // The send log and the sender's own run record and lock stay.
            if (entry.path().extension() != ".log" && entry.path().extension() != ".dat" &&
                entry.path().extension() != ".lock")
                return false;
        return true;
    }

    test::TempDir tmp, spool, received;
    Settings settings;
    test::FakeClock clock;
    Told told;
    HandOffAlertSender handOff{settings, QStringLiteral(OSSIVANT_PROGRAM_DIR_PATH)};
    HandOffResender resender{QStringLiteral(OSSIVANT_PROGRAM_DIR_PATH)};
    AlertDeliveries deliveries{clock, resender, told, kAlertRecordWait};
    TrackingAlertSender alerts{handOff, deliveries, settings};
};

TEST_F(AlertDeliveryE2ETest, ServerDownAtFirstAndUpLaterGetsTheAlertOnceAfterTheRetry) {
    std::uint16_t port = 0;
    {
        e2e::SmtpSink probe(received.path().string(), true);
        port = probe.Port();
    }
    ASSERT_NE(port, 0) << "the SMTP server (python3-aiosmtpd) did not start";
    settings.ManagerSMTPPort = port;
    sendAlert();
    const QString waiting = nextTold();
    EXPECT_TRUE(waiting.startsWith("Alert for www.example.net/shop not delivered yet: ")) << waiting.toStdString();
    EXPECT_TRUE(waiting.endsWith("; next try at " + PanelTimeText(clock.now().addSecs(60))))
        << waiting.toStdString();

    e2e::SmtpSink sink(received.path().string(), true, {"--port", std::to_string(port)});
    ASSERT_EQ(sink.Port(), port);
    clock.advanceSeconds(59);
    deliveries.tick();
    EXPECT_FALSE(sink.Next(500ms)) << "sent again before its time";
    clock.advanceSeconds(1);
    expectDeliveredOnce(sink, "a delivered alert was sent again");
}

// The spool on a small file system filled to the last byte: the hand-off
// fails, and the alert goes out once the space is back and its time has come.
class FullSpoolE2ETest : public AlertDeliveryE2ETest {
protected:
    void SetUp() override {
        AlertDeliveryE2ETest::SetUp();
        if (::mount("tmpfs", spool.path().c_str(), "tmpfs", 0, "size=64k") != 0)
            GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
        mounted = true;
        ::setenv("TMPDIR", spool.path().c_str(), 1);
        std::ofstream fill(filler);
        const std::string block(4096, 'x');
        while (fill.write(block.data(), block.size())) {}
        fill.clear();
        while (fill.put('x') && fill.flush()) {}
    }
    void TearDown() override {
        if (mounted) ::umount2(spool.path().c_str(), MNT_DETACH);
        AlertDeliveryE2ETest::TearDown();
    }

    std::string filler = spool.file("filler");
    bool mounted = false;
};

TEST_F(FullSpoolE2ETest, FailedHandOffIsToldAndTheAlertLeavesOnceThereIsSpace) {
    e2e::SmtpSink sink(received.path().string(), true);
    ASSERT_NE(sink.Port(), 0) << "the SMTP server (python3-aiosmtpd) did not start";
    settings.ManagerSMTPPort = sink.Port();
    AlertFacts facts;
    facts.site.URL = QStringLiteral("www.example.net/shop");
    EXPECT_NE(alerts.SendEmail(QStringLiteral("404"), facts), 0);
    ASSERT_EQ(told.lines.size(), 1u);
    EXPECT_EQ(told.lines[0],
              "Alert for www.example.net/shop not delivered yet: the mail could not be written "
              "to the spool folder (disk full?); next try at " +
                  PanelTimeText(clock.now().addSecs(60)));
    EXPECT_FALSE(sink.Next(1s)) << "a mail left although the hand-off failed";

    std::filesystem::remove(filler);
    clock.advanceSeconds(60);
    expectDeliveredOnce(sink, "the alert was sent twice");
}

struct ServerFault {
    const char* name;
    std::vector<std::string> sinkOptions;
    const char* toldPrefix;
    bool retried;
};

class ServerFaultE2ETest : public AlertDeliveryE2ETest,
                           public ::testing::WithParamInterface<ServerFault> {};

TEST_P(ServerFaultE2ETest, IsToldAndRetriedOnlyWhenItMayPass) {
    e2e::SmtpSink sink(received.path().string(), true, GetParam().sinkOptions);
    ASSERT_NE(sink.Port(), 0);
    settings.ManagerSMTPPort = sink.Port();
    sendAlert();
    const QString first = nextTold();
    EXPECT_TRUE(first.startsWith(GetParam().toldPrefix)) << first.toStdString();
    clock.advanceSeconds(60);
    const QString second = nextTold(GetParam().retried ? 60s : 3s);
    if (GetParam().retried) {
        EXPECT_TRUE(second.startsWith("Alert for www.example.net/shop not delivered yet: "))
            << second.toStdString();
        EXPECT_FALSE(spoolEmpty()) << "the job is kept for the next try";
    } else {
        EXPECT_EQ(second, "<nothing told>");
        EXPECT_TRUE(spoolEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ServerFaultE2ETest,
    ::testing::Values(
        ServerFault{"Refused550", {"--reject", "550"},
                    "Alert for www.example.net/shop could not be delivered: ", false},
        ServerFault{"DroppedAtData", {"--drop-data"},
                    "Alert for www.example.net/shop not delivered yet: ", true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
