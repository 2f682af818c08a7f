// Every window on a 1280 x 800 screen at scale factor 2 (640 x 400 in the
// programs' own pixels), as the test's environment sets it up: each one lies
// whole on the screen, and the monitor's other windows are centred over the
// main window.
#include <QScreen>
#include <QTextBrowser>

#include "monitor/ui/check_anim_window.h"
#include "monitor/ui/options_dialog.h"
#include "monitor/ui/site_editor.h"
#include "monitor/ui/wait_window.h"
#include "monitor/ui/window_owner.h"
#include "scrollet/log_window.h"
#include "tests/monitor/ui/monitor_fixture.h"
#include "tests/support/fake_http_server.h"
#include "tour/tour_window.h"

namespace ossivant::test {
namespace {

QRect Available(const QWidget* window) {
    return window->screen()->availableGeometry();
}

void ExpectOnScreen(const QWidget* window, const char* name) {
    ASSERT_TRUE(window->isVisible()) << name;
    const QRect frame = window->frameGeometry();
    EXPECT_TRUE(Available(window).contains(frame))
        << name << ": frame " << frame.x() << "," << frame.y() << " " << frame.width() << "x"
        << frame.height();
}

void ExpectCentredOver(const QWidget* window, const QWidget* owner, const char* name) {
    ExpectOnScreen(window, name);
    const QPoint off = window->frameGeometry().center() - owner->frameGeometry().center();
    EXPECT_LE(off.manhattanLength(), 2) << name << ": off by " << off.x() << "," << off.y();
}

class WindowPlaceTest : public MonitorTest {};

TEST_F(WindowPlaceTest, TheScreenIsSmallAndScaled) {
    widgetsApplication();
    const QScreen* screen = QGuiApplication::primaryScreen();
    EXPECT_EQ(screen->geometry().size(), QSize(640, 400));
    EXPECT_DOUBLE_EQ(screen->devicePixelRatio(), 2.0);
}

TEST_F(WindowPlaceTest, EveryMonitorWindowLiesOnTheScreenOverTheMainWindow) {
    FakeHttpServer server({HttpStep::readRequest(), HttpStep::silent()});
    storeSite(QStringLiteral("127.0.0.1:%1/held").arg(server.port()));
    start();  // the first start: the welcome window is up
    ExpectOnScreen(&main(), "main window");
    EXPECT_LE(main().width(), Available(&main()).width());
    EXPECT_LE(main().height(), Available(&main()).height());
    WaitWindow& welcome = main().waitWindow();
    ExpectCentredOver(&welcome, &main(), "welcome");
    welcome.close();

    action("mF_NewAddress")->trigger();
    ExpectCentredOver(&app->siteEditor(), &main(), "site editor");
    app->siteEditor().cmdCancel_Click();

    action("mE_Options")->trigger();
    ASSERT_NE(app->options(), nullptr);
    ExpectCentredOver(app->options(), &main(), "options");
    app->options()->close();

    action("mF_StartCheck")->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return app->progress().window() != nullptr; }, 10000));
    ExpectCentredOver(app->progress().window(), &main(), "progress");
    app->engine().StopCheck();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !app->engine().CycleRunning(); }, 10000));
}

TEST_F(WindowPlaceTest, TheViewerAndTheTourOpenWholeOnTheScreen) {
    widgetsApplication();
    scrollet::LogWindow viewer(QStringLiteral("/logs/D-20261209.ovl"),
                               [] { return QStringLiteral("<p>log</p>"); });
    PlaceOnScreen(&viewer);
    viewer.show();
    ExpectOnScreen(&viewer, "viewer");
    const QPoint off = viewer.frameGeometry().center() - Available(&viewer).center();
    EXPECT_LE(off.manhattanLength(), 2) << "viewer: off by " << off.x() << "," << off.y();

    TourWindow tour(QStringLiteral("/nowhere/"));
    PlaceOnScreen(&tour);
    tour.show();
    ExpectOnScreen(&tour, "tour");
}

}  // namespace
}  // namespace ossivant::test
