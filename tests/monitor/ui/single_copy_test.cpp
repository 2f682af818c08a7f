// The single-copy rule's two halves: a monitor started at login stays in the
// tray, and a second copy brings the running copy's window forward through
// the socket beside the lock.
#include "monitor/ui/single_copy.h"

#include <QLockFile>
#include <chrono>
#include <future>

#include "tests/monitor/ui/monitor_fixture.h"

namespace ossivant::test {
namespace {

class SingleCopyTest : public MonitorTest {
protected:
    QString socketPath = QString::fromStdString(temp.dir().file("ossivant.socket"));
};

TEST_F(SingleCopyTest, StartedAtLoginItWaitsInTheTrayUntilASecondCopyAsksForIt) {
    markStarted();
    trayAvailable = true;
    startInTray = true;
    start();
    EXPECT_FALSE(main().isVisible());
    EXPECT_TRUE(action("mPopRestore")->isEnabled());

    int asked = 0;
    FirstCopyListener listener(socketPath, [this, &asked] {
        ++asked;
        main().BringForward();
    });
    ASSERT_TRUE(listener.listening());
    // The second copy blocks until it is answered, as its own process would;
    // here the first copy's event loop runs meanwhile.
    auto secondCopy =
        std::async(std::launch::async, [this] { return AskFirstCopyToShow(socketPath, 10000); });
    QTRY_VERIFY_WITH_TIMEOUT(
        secondCopy.wait_for(std::chrono::seconds(0)) == std::future_status::ready, 15000);
    EXPECT_TRUE(secondCopy.get());
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(main().isVisible());
    EXPECT_FALSE(main().windowState() & Qt::WindowMinimized);
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), &main(), 10000);
}

TEST_F(SingleCopyTest, WithoutATrayAStartAtLoginShowsTheWindow) {
    markStarted();
    trayAvailable = false;
    startInTray = true;
    start();
    EXPECT_TRUE(main().isVisible());
}

TEST_F(SingleCopyTest, NoRunningCopyMeansNoAnswerAndASocketLeftBehindIsReplaced) {
    EXPECT_FALSE(AskFirstCopyToShow(socketPath, 500));
    {
        QFile stale(socketPath);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    }
    int asked = 0;
    FirstCopyListener listener(socketPath, [&asked] { ++asked; });
    EXPECT_TRUE(listener.listening());
}

TEST(AlreadyStartedTest, TheMessageTellsHowToStopTheServiceOnlyWhenItHoldsTheLock) {
    TempDir dir;
    QLockFile held(QString::fromStdString(dir.file("ossivant.lock")));
    ASSERT_TRUE(held.tryLock(0));
    QLockFile second(QString::fromStdString(dir.file("ossivant.lock")));
    ASSERT_FALSE(second.tryLock(0));
    const QString message = AlreadyStartedMessage(second);
    EXPECT_TRUE(message.startsWith("Ossivant has already started!\n\nTo restore Ossivant,"))
        << message.toStdString();
    // This test does not run as the service.
    EXPECT_FALSE(message.contains("systemctl")) << message.toStdString();
}

struct CgroupRow {
    const char* name;
    const char* lines;
    bool service;
};

class CgroupTest : public ::testing::TestWithParam<CgroupRow> {};

TEST_P(CgroupTest, OnlyTheHeadlessUserServiceCounts) {
    EXPECT_EQ(CgroupIsHeadlessService(GetParam().lines), GetParam().service);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CgroupTest,
    ::testing::Values(
        CgroupRow{"UnifiedHierarchy",
                  "0::/user.slice/user-1000.slice/user@1000.service/app.slice/"
                  "ossivant-headless.service\n",
                  true},
        CgroupRow{"LegacyHierarchy",
                  "12:pids:/user.slice\n1:name=systemd:/user.slice/user-1000.slice/"
                  "user@1000.service/ossivant-headless.service\n",
                  true},
        CgroupRow{"DesktopSession",
                  "0::/user.slice/user-1000.slice/session-2.scope\n", false},
        CgroupRow{"AnotherService", "0::/user.slice/app.slice/ossivant-headless.service-x\n",
                  false},
        CgroupRow{"SimilarName", "0::/app.slice/my-ossivant-headless.service\n", false},
        CgroupRow{"Empty", "", false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ossivant::test
