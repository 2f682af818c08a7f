#include "monitor/report/alert_deliveries.h"

#include <gtest/gtest.h>

#include <QFile>
#include <filesystem>
#include <vector>

#include "handoff/vb_quorvane3.h"
#include "mailer/job/delivery_outcome.h"
#include "monitor/engine/alert_news_text.h"
#include "monitor/engine/panel_time.h"
#include "monitor/report/alert_ticket.h"
#include "tests/support/fake_clock.h"
#include "tests/support/print_qstring.h"
#include "tests/support/temp_dir.h"

namespace ossivant {
namespace {

using quorvane3::DeliveryState;
using namespace std::chrono_literals;

class RecordingListener final : public AlertNewsListener {
public:
    void tellAlertNews(const AlertNews& news) override {
        told.push_back(AlertNewsText(news));
        desktop.push_back(news.desktop);
    }
    std::vector<QString> told;
    std::vector<bool> desktop;
};

class FakeResender final : public AlertResender {
public:
    std::int32_t resend(const QString& jobPath) override {
        resent.push_back(jobPath);
        return result;
    }
    std::int32_t result = VBQ3_OK;
    std::vector<QString> resent;
};

class AlertDeliveriesTest : public ::testing::Test {
protected:
    QString job(const char* name) const { return QString::fromStdString(spool.file(name)); }
    void outcome(const QString& jobPath, DeliveryState state, const char* cause = "") {
        quorvane3::WriteOutcomeRecord(jobPath.toStdString(), {state, cause, 0});
    }
    void makeJob(const QString& jobPath) {
        QFile file(jobPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    bool exists(const QString& path) const { return QFile::exists(path); }

    test::TempDir spool;
    test::FakeClock clock;
    FakeResender resender;
    RecordingListener listener;
    AlertDeliveries deliveries{clock, resender, listener, 600s};
};

// The time the panel shows a number of minutes from the test's start.
QString At(int minutes) {
    return PanelTimeText(QDateTime(QDate(2026, 3, 14), QTime(9, 30, 0)).addSecs(minutes * 60));
}

TEST_F(AlertDeliveriesTest, FirstTryDeliveredIsToldOnceWithoutDesktopAndLeavesNothing) {
    const QString path = job("a.job");
    makeJob(path);
    deliveries.handedOver(path, "shop", "smtp:25");
    EXPECT_TRUE(exists(AlertTicketPath(path)));
    deliveries.tick();
    EXPECT_TRUE(listener.told.empty());
    outcome(path, DeliveryState::kDelivered);
    deliveries.tick();
    deliveries.tick();
    EXPECT_EQ(listener.told, std::vector<QString>{"Alert for shop delivered"});
    EXPECT_EQ(listener.desktop, std::vector<bool>{false});
    EXPECT_TRUE(std::filesystem::is_empty(spool.path()));
    EXPECT_TRUE(resender.resent.empty());
}

TEST_F(AlertDeliveriesTest, MayPassIsRetriedOnTheScheduleUntilDelivered) {
    const QString path = job("a.job");
    makeJob(path);
    deliveries.handedOver(path, "shop", "smtp:25");
    const int delays[] = {1, 2, 5, 10, 30, 30};
    int elapsed = 0;
    for (int delay : delays) {
        outcome(path, DeliveryState::kMayPass, "421 busy");
        deliveries.tick();
        elapsed += delay;
        ASSERT_EQ(listener.told.back(),
                  "Alert for shop not delivered yet: 421 busy; next try at " + At(elapsed));
        const std::size_t before = resender.resent.size();
        clock.advanceSeconds(delay * 60 - 1);
        deliveries.tick();
        ASSERT_EQ(resender.resent.size(), before) << "resent before its time";
        clock.advanceSeconds(1);
        deliveries.tick();
        ASSERT_EQ(resender.resent.size(), before + 1);
    }
    outcome(path, DeliveryState::kDelivered);
    deliveries.tick();
    EXPECT_EQ(listener.told.back(), "Alert for shop delivered");
    EXPECT_TRUE(listener.desktop.back()) << "a delivery after retries is worth a notification";
    EXPECT_TRUE(std::filesystem::is_empty(spool.path()));
}

TEST_F(AlertDeliveriesTest, FinalFailuresAreToldAtOnceAndRemoveTheJob) {
    const QString path = job("a.job");
    makeJob(path);
    deliveries.handedOver(path, "shop", "smtp:25");
    outcome(path, DeliveryState::kPermanent, "550 no such user");
    deliveries.tick();
    clock.advanceDays(1);
    deliveries.tick();
    EXPECT_EQ(listener.told,
              std::vector<QString>{"Alert for shop could not be delivered: 550 no such user"});
    EXPECT_EQ(listener.desktop, std::vector<bool>{true});
    EXPECT_TRUE(resender.resent.empty());
    EXPECT_TRUE(std::filesystem::is_empty(spool.path()));
}

TEST_F(AlertDeliveriesTest, GivesUpAfterADayAndASilentSenderCountsAsMayPass) {
    const QString path = job("a.job");
    makeJob(path);
    deliveries.handedOver(path, "shop", "smtp:25");
    clock.advanceSeconds(599);
    deliveries.tick();
    EXPECT_TRUE(listener.told.empty());
    clock.advanceSeconds(1);
    deliveries.tick();
    ASSERT_EQ(listener.told.size(), 1u);
    EXPECT_TRUE(listener.told[0].startsWith(
        "Alert for shop not delivered yet: no outcome from the mail sender; next try at "));
    while (deliveries.waiting() > 0 && resender.resent.size() < 100) {
        clock.set(ReadAlertTicket(path)->nextTry);
        deliveries.tick();
        outcome(path, DeliveryState::kMayPass, "connection refused");
        deliveries.tick();
    }
    // The silent first try ends at 10 minutes; tries at 11, 13, 18, 28 and
    // then every 30 minutes from 58 to 1438, the last within the day.
    EXPECT_EQ(resender.resent.size(), 4u + 47u);
    EXPECT_EQ(deliveries.waiting(), 0u);
    EXPECT_EQ(listener.told.back(), "Alert for shop could not be delivered: connection refused");
    EXPECT_TRUE(listener.desktop.back());
    EXPECT_TRUE(std::filesystem::is_empty(spool.path()));
}

TEST_F(AlertDeliveriesTest, HandOffFailures) {
    // A missing library is final at once; a full disk is handed off again.
    deliveries.handOffFailed("shop", "smtp:25", -1, {});
    EXPECT_EQ(listener.told.back(),
              "Alert for shop could not be delivered: the mail hand-off library is missing");
    int handOffs = 0;
    const QString path = job("b.job");
    deliveries.handOffFailed("news", "smtp:25", VBQ3_JOB_NOT_WRITTEN, [&](QString& jobPath) {
        ++handOffs;
        if (handOffs == 1) return VBQ3_JOB_NOT_WRITTEN;
        jobPath = path;
        return VBQ3_OK;
    });
    EXPECT_EQ(listener.told.back(),
              "Alert for news not delivered yet: the mail could not be written to the spool "
              "folder (disk full?); next try at " + At(1));
    clock.advanceMinutes(1);
    deliveries.tick();
    EXPECT_EQ(handOffs, 1);
    EXPECT_EQ(listener.told.back().left(39), "Alert for news not delivered yet: the m");
    clock.advanceMinutes(2);
    deliveries.tick();
    EXPECT_EQ(handOffs, 2);
    EXPECT_TRUE(exists(AlertTicketPath(path)));
    outcome(path, DeliveryState::kDelivered);
    deliveries.tick();
    EXPECT_EQ(listener.told.back(), "Alert for news delivered");
    EXPECT_TRUE(resender.resent.empty());
}

TEST_F(AlertDeliveriesTest, ResendsToOneServerRunOneAtATimeFirstSendsAreNotHeld) {
    const QString a = job("a.job"), b = job("b.job"), c = job("c.job");
    for (const QString& p : {a, b, c}) makeJob(p);
    deliveries.handedOver(a, "one", "smtp:25");
    deliveries.handedOver(b, "two", "smtp:25");
    deliveries.handedOver(c, "three", "other:25");
    outcome(a, DeliveryState::kMayPass, "refused");
    outcome(b, DeliveryState::kMayPass, "refused");
    outcome(c, DeliveryState::kMayPass, "refused");
    deliveries.tick();
    clock.advanceMinutes(1);
    QFile::remove(QString::fromStdString(quorvane3::OutcomeRecordPath(a.toStdString())));
    deliveries.tick();
    EXPECT_EQ(resender.resent, (std::vector<QString>{a, c}));
    deliveries.tick();
    EXPECT_EQ(resender.resent.size(), 2u) << "b waits while a is being resent";
    outcome(a, DeliveryState::kDelivered);
    deliveries.tick();
    EXPECT_EQ(resender.resent, (std::vector<QString>{a, c, b}));
}

TEST_F(AlertDeliveriesTest, AlertsWaitingAtStopAreTakenUpAtStart) {
    const QString waiting = job("a.job"), underWay = job("b.job");
    makeJob(waiting);
    makeJob(underWay);
    {
        AlertDeliveries before(clock, resender, listener, 600s);
        before.handedOver(waiting, "shop", "smtp:25");
        before.handedOver(underWay, "news", "smtp:26");
        outcome(waiting, DeliveryState::kMayPass, "refused");
        before.tick();
    }
    outcome(underWay, DeliveryState::kDelivered);
    listener.told.clear();
    AlertDeliveries after(clock, resender, listener, 600s);
    after.takeUp(QString::fromStdString(spool.path().string()));
    EXPECT_EQ(after.waiting(), 2u);
    after.tick();
    EXPECT_EQ(listener.told, std::vector<QString>{"Alert for news delivered"});
    clock.advanceMinutes(1);
    after.tick();
    EXPECT_EQ(resender.resent, std::vector<QString>{waiting});
    EXPECT_EQ(ReadAlertTicket(waiting)->attempts, 2);
}

}  // namespace
}  // namespace ossivant
