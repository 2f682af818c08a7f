#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "monitor/ui/check_anim_window.h"
#include "monitor/ui/check_progress.h"
#include "monitor/ui/elided_label.h"
#include "monitor/ui/splash_window.h"
#include "monitor/ui/tour_launcher.h"
#include "monitor/ui/wait_window.h"
#include "tests/support/temp_dir.h"
#include "tests/support/widgets_app.h"

namespace ossivant {
namespace {

class SmallWindowsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::widgetsApplication(); }
    // Windows that closed themselves go with deleteLater.
    void TearDown() override {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

template <typename T>
T* child(QWidget* window, const char* name) {
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QRect rectIn(QWidget* window, QWidget* w) {
    return {w->mapTo(window, QPoint(0, 0)), w->size()};
}

// What a person would call a tidy window: every visible control lies inside
// it, no two controls overlap (except the pairs named in `mayOverlap`), and
// every caption fits its control.
void expectTidy(QWidget* window, const QList<QWidget*>& mayOverlap = {}) {
    QList<QWidget*> leaves;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->isWindow() || mayOverlap.contains(w)) continue;
        const bool container =
            std::any_of(w->children().begin(), w->children().end(), [&](QObject* o) {
                auto* c = qobject_cast<QWidget*>(o);
                return c && c->isVisibleTo(window);
            });
        if (!container) leaves << w;
    }
    for (QWidget* w : leaves) {
        const QRect r = rectIn(window, w);
        EXPECT_TRUE(window->rect().contains(r)) << w->objectName().toStdString() << " lies outside";
        for (QWidget* other : leaves)
            if (other != w && other->objectName() < w->objectName()) {
                EXPECT_FALSE(r.intersects(rectIn(window, other)))
                    << w->objectName().toStdString() << " overlaps "
                    << other->objectName().toStdString();
            }
        if (auto* label = qobject_cast<QLabel*>(w); label && !label->text().isEmpty()) {
            const QRect box = label->contentsRect();
            if (qobject_cast<ElidedLabel*>(label)) {
                const QString shown = static_cast<ElidedLabel*>(label)->shownText();
                EXPECT_LE(label->fontMetrics().horizontalAdvance(shown), box.width());
            } else if (label->wordWrap()) {
                EXPECT_LE(label->heightForWidth(label->width()), label->height())
                    << label->objectName().toStdString() << " is cut off";
            } else {
                EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), box.width())
                    << label->objectName().toStdString() << " is cut off";
            }
            EXPECT_LE(label->fontMetrics().height(), box.height())
                << label->objectName().toStdString();
        }
        if (auto* button = qobject_cast<QPushButton*>(w)) {
            EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()) + 8, button->width())
                << button->objectName().toStdString() << " is cut off";
        }
    }
}

// --- Check progress window -------------------------------------------------

TEST_F(SmallWindowsTest, CheckAnimationSweepsThereAndBackTickByTick) {
    frmCheckAnim w;
    EXPECT_EQ(w.windowTitle(), "Checking Sites");
    EXPECT_EQ(child<QGroupBox>(&w, "fraStatus")->title(), "Status");
    EXPECT_EQ(child<QPushButton>(&w, "cmdStopAll")->text(), "Stop");
    EXPECT_EQ(child<QTimer>(&w, "tmrCheckAnim")->interval(), 30);
    auto* forward = child<QLabel>(&w, "pixRayForward");
    auto* back = child<QLabel>(&w, "pixRayBack");
    // The rays pass behind every other control: lowest in the stacking order.
    const QObjectList& order = w.children();
    for (const char* name : {"pixEarth", "pixSpaceShip", "fraStatus", "cmdStopAll"}) {
        EXPECT_LT(order.indexOf(forward), order.indexOf(child<QWidget>(&w, name))) << name;
        EXPECT_LT(order.indexOf(back), order.indexOf(child<QWidget>(&w, name))) << name;
    }

    // After the load, then tick by tick: which ray is shown, where, in twips
    // and in pixels (twips / 15, rounded).
    struct Sight {
        int ticks;
        int direction;
        QLabel* shown;  // nullptr: both hidden
        int left;
        int pixelLeft;
    };
    const Sight sights[] = {
        {0, 1, nullptr, 1020, 68},  // back ray parked at the left end
        {1, 0, forward, 1020, 68},  {2, 0, forward, 1120, 75},  {44, 0, forward, 5320, 355},
        {45, 1, back, 5295, 353},   {46, 1, back, 5195, 346},   {88, 1, back, 995, 66},
        {89, 0, forward, 1020, 68}, {90, 0, forward, 1120, 75},
    };
    int ticks = 0;
    for (const Sight& s : sights) {
        while (ticks < s.ticks) {
            w.tmrCheckAnim_Timer();
            ++ticks;
        }
        SCOPED_TRACE(ticks);
        EXPECT_EQ(w.AnimDirection(), s.direction);
        EXPECT_EQ(forward->isHidden(), s.shown != forward);
        EXPECT_EQ(back->isHidden(), s.shown != back);
        QLabel* ray = s.direction == 0 ? forward : back;
        EXPECT_EQ(s.direction == 0 ? w.rayForwardLeft() : w.rayBackLeft(), s.left);
        EXPECT_EQ(ray->pos(), QPoint(s.pixelLeft, 31));
    }
}

TEST_F(SmallWindowsTest, CheckAnimationTimerRunsOnlyWhileTheWindowIsOpen) {
    frmCheckAnim w;
    auto* timer = child<QTimer>(&w, "tmrCheckAnim");
    EXPECT_FALSE(timer->isActive());
    w.show();
    EXPECT_TRUE(timer->isActive());
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.rayForwardLeft() > 1020; }, 5000));
    w.close();
    EXPECT_FALSE(timer->isActive());
}

TEST_F(SmallWindowsTest, CheckWindowShortensALongAddressAndKeepsClearOfTheAnimation) {
    frmCheckAnim w;
    const QString name = "Checking http://www." + QString(120, u'x') + ".example.org/path";
    w.setSiteName(name);
    w.setSiteStatus("Receiving Response...");
    w.show();
    auto* label = child<ElidedLabel>(&w, "lblSiteName");
    EXPECT_EQ(label->text(), name);
    EXPECT_TRUE(label->shownText().startsWith("Checking http://www.xx"));
    EXPECT_TRUE(label->shownText().endsWith(".example.org/path"));
    EXPECT_TRUE(label->shownText().contains(u'\u2026'));

    // At both ends of the sweep the rays stay inside the window; they may
    // pass behind the earth and the spaceship, nothing else.
    auto* forward = child<QLabel>(&w, "pixRayForward");
    auto* back = child<QLabel>(&w, "pixRayBack");
    for (int tick = 0; tick < 1 + 43 + 1 + 43; ++tick) {
        w.tmrCheckAnim_Timer();
        for (QLabel* ray : {forward, back}) ASSERT_TRUE(w.rect().contains(ray->geometry())) << tick;
    }
    expectTidy(&w, {forward, back});
}

// --- The engine's progress display ------------------------------------------

class CheckProgressTest : public SmallWindowsTest {
protected:
    QWidget mainWindow;
    int stops = 0;
    std::function<void()> onStop;
    CheckProgressWindow progress{&mainWindow, [this] {
                                     ++stops;
                                     if (onStop) onStop();
                                 }};

    void SetUp() override { mainWindow.show(); }
    QString shownName() { return child<QLabel>(progress.window(), "lblSiteName")->text(); }
    QString shownStatus() { return child<QLabel>(progress.window(), "lblSiteStatus")->text(); }
};

TEST_F(CheckProgressTest, TextsWrittenWhileClosedAppearWhenShownAndCloseForgetsThem) {
    progress.SetSiteName("Checking http://a.example");
    progress.SetSiteStatus("Resolving Host...");
    EXPECT_EQ(progress.window(), nullptr);

    progress.Show();
    ASSERT_NE(progress.window(), nullptr);
    EXPECT_TRUE(progress.window()->isVisible());
    EXPECT_EQ(shownName(), "Checking http://a.example");
    EXPECT_EQ(shownStatus(), "Resolving Host...");
    progress.SetSiteStatus("Connecting to Host...");
    EXPECT_EQ(shownStatus(), "Connecting to Host...");

    progress.Close();
    EXPECT_EQ(progress.window(), nullptr);
    progress.Show();
    EXPECT_EQ(shownName(), "");
    EXPECT_EQ(shownStatus(), "");
}

TEST_F(CheckProgressTest, EachOpeningAfterACloseStartsAFreshAnimation) {
    progress.Show();
    QPointer<frmCheckAnim> first = progress.window();
    for (int i = 0; i < 5; ++i) first->tmrCheckAnim_Timer();
    progress.Show();  // already open: the same window, the animation goes on
    EXPECT_EQ(progress.window(), first);
    EXPECT_EQ(first->rayForwardLeft(), 1420);

    progress.Close();
    EXPECT_FALSE(first->isVisible());
    progress.Show();
    frmCheckAnim* second = progress.window();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first.data());
    EXPECT_EQ(second->AnimDirection(), 1);
    EXPECT_EQ(second->rayBackLeft(), 1020);
    EXPECT_TRUE(child<QLabel>(second, "pixRayForward")->isHidden());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
}

TEST_F(CheckProgressTest, StopCallsTheEngineOnceAndTheWindowGoes) {
    // The engine may answer Stop by closing the window itself, or not.
    for (bool engineCloses : {false, true}) {
        SCOPED_TRACE(engineCloses ? "engine closes too" : "window closes itself");
        stops = 0;
        bool openWhenStopped = false;
        onStop = [&, engineCloses] {
            openWhenStopped = progress.window() && progress.window()->isVisible();
            if (engineCloses) progress.Close();
        };
        progress.SetSiteName("Checking http://a.example");
        progress.Show();
        QPointer<frmCheckAnim> window = progress.window();
        QTest::mouseClick(child<QPushButton>(window, "cmdStopAll"), Qt::LeftButton);
        EXPECT_EQ(stops, 1);
        EXPECT_TRUE(openWhenStopped);
        EXPECT_EQ(progress.window(), nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull());

        progress.Show();
        ASSERT_NE(progress.window(), nullptr);
        EXPECT_EQ(shownName(), "");
        EXPECT_EQ(stops, 1);
        progress.Close();
    }
}

TEST_F(CheckProgressTest, EscapePressesStop) {
    progress.Show();
    QPointer<frmCheckAnim> window = progress.window();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(progress.window(), nullptr);
}

TEST_F(CheckProgressTest, ClosedByTheWindowManagerOpensAnewOnTheNextShow) {
    progress.SetSiteName("Checking http://a.example");
    progress.Show();
    QPointer<frmCheckAnim> window = progress.window();
    window->close();
    EXPECT_EQ(progress.window(), nullptr);
    EXPECT_EQ(stops, 0);
    progress.Show();
    EXPECT_NE(progress.window(), window.data());
}

TEST_F(CheckProgressTest, StaysUsableAboveADisabledMainWindow) {
    mainWindow.setEnabled(false);
    progress.Show();
    frmCheckAnim* window = progress.window();
    EXPECT_TRUE(child<QPushButton>(window, "cmdStopAll")->isEnabled());
    ASSERT_NE(window->windowHandle(), nullptr);
    EXPECT_EQ(window->windowHandle()->transientParent(), mainWindow.windowHandle());
    QTest::mouseClick(child<QPushButton>(window, "cmdStopAll"), Qt::LeftButton);
    EXPECT_EQ(stops, 1);
}

// --- Wait and welcome window ------------------------------------------------

class RecordingMessageBox final : public MessageBox {
public:
    explicit RecordingMessageBox(QStringList& events) : events_(events) {}
    MsgAnswer show(const QString& text, MsgButtons buttons, MsgIcon) override {
        events_ << "message: " + text;
        this->buttons << buttons;
        return MsgAnswer::Ok;
    }
    QList<MsgButtons> buttons;

private:
    QStringList& events_;
};

class WaitWindowTest : public SmallWindowsTest {
protected:
    QWidget mainWindow;
    QStringList events;
    RecordingMessageBox messages{events};
    std::function<bool()> startTour = [] { return false; };
    WaitWindow wait{&mainWindow, messages, [this] { return startTour(); },
                    [this] { events << "unload"; }};

    void SetUp() override { mainWindow.show(); }
};

TEST_F(WaitWindowTest, WelcomeFormGreetsAndCloseUnloadsOnce) {
    wait.showWelcome();
    EXPECT_TRUE(wait.isVisible());
    EXPECT_EQ(wait.objectName(), "WaitWindow");
    EXPECT_EQ(wait.windowTitle(), "Ossivant");
    EXPECT_EQ(child<QLabel>(&wait, "lblInstructions")->text(),
              "Welcome to Ossivant!\n\nIf this is the first time you are running Ossivant, we "
              "invite you to take the Ossivant Interactive Tour.\n\nYou can also access the "
              "Interactive Tour under the Help menu.");
    EXPECT_FALSE(child<QProgressBar>(&wait, "ProgressBar")->isVisible());
    auto* tour = child<QPushButton>(&wait, "cmdTour");
    EXPECT_TRUE(tour->isVisible());
    EXPECT_EQ(tour->text(), "Run Tour");
    EXPECT_EQ(child<QPushButton>(&wait, "cmdClose")->text(), "Close");
    EXPECT_EQ(wait.focusWidget(), tour);
    EXPECT_EQ(wait.size(), QSize(400, 167));
    expectTidy(&wait);

    QTest::mouseClick(child<QPushButton>(&wait, "cmdClose"), Qt::LeftButton);
    EXPECT_FALSE(wait.isVisible());
    wait.close();  // closing what is already closed unloads nothing
    EXPECT_EQ(events, QStringList({"unload"}));
}

TEST_F(WaitWindowTest, RunTourStartsTheTourOrSaysItIsMissingThenUnloads) {
    const QString missing =
        "message: Unable to locate Ossivant Interactive Tour Program.\nMake sure that the "
        "Interactive Tour Program is located in the same directory as Ossivant.";
    struct Row {
        const char* name;
        bool tourFile;
        bool executable;
        QStringList expected;
    };
    const Row rows[] = {
        {"no tour program", false, false, {missing, "unload"}},
        {"tour program not executable", true, false, {missing, "unload"}},
        {"tour program present", true, true, {"unload"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::TempDir programDir;
        const QString dir = QString::fromStdString(programDir.path().string());
        if (row.tourFile) {
            std::ofstream(programDir.file("ovtour"))
                << "#!/bin/sh\n: > \"$(dirname \"$0\")/ran\"\n";
            namespace fs = std::filesystem;
            fs::permissions(programDir.file("ovtour"),
                            row.executable ? fs::perms::owner_all
                                           : fs::perms::owner_read | fs::perms::owner_write);
        }
        startTour = [&] { return StartTourProgram(dir); };
        events.clear();
        messages.buttons.clear();

        wait.showWelcome();
        QTest::mouseClick(child<QPushButton>(&wait, "cmdTour"), Qt::LeftButton);
        EXPECT_EQ(events, row.expected);
        EXPECT_FALSE(wait.isVisible());
        for (MsgButtons b : messages.buttons) EXPECT_EQ(b, MsgButtons::Ok);
        if (row.executable) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(dir + "/ran"); }, 5000));
        }
    }
}

// Esc is Close; Enter presses the button that has the focus, Run Tour first.
TEST_F(WaitWindowTest, WelcomeKeysCloseOrPressTheFocusedButton) {
    int tours = 0;
    startTour = [&] { return ++tours, true; };
    const struct {
        const char* name;
        Qt::Key key;
        bool focusOnClose;
        int tours;
    } rows[] = {{"Esc", Qt::Key_Escape, false, 0},
                {"Enter on Run Tour", Qt::Key_Return, false, 1},
                {"keypad Enter on Run Tour", Qt::Key_Enter, false, 1},
                {"Enter on Close", Qt::Key_Return, true, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        tours = 0;
        events.clear();
        wait.showWelcome();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&wait));
        if (row.focusOnClose) child<QPushButton>(&wait, "cmdClose")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), row.key);
        EXPECT_FALSE(wait.isVisible());
        EXPECT_EQ(tours, row.tours);
        EXPECT_EQ(events, QStringList{"unload"});
    }

    // The progress form is not the operator's to close.
    events.clear();
    wait.showProgress("Processing... please wait.");
    wait.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&wait));
    QTest::keyClick(&wait, Qt::Key_Escape);
    EXPECT_TRUE(wait.isVisible());
    wait.close();
}

TEST_F(WaitWindowTest, ProgressFormShowsTheBarPaintsAtOnceAndUnloadsWhenClosed) {
    auto* label = child<QLabel>(&wait, "lblInstructions");
    wait.showProgress("Exporting... please wait.", "Export");
    EXPECT_EQ(wait.windowTitle(), "Export");
    wait.showProgress("Processing... please wait.");
    EXPECT_EQ(wait.windowTitle(), "Ossivant");
    EXPECT_TRUE(wait.isVisible());
    EXPECT_EQ(label->text(), "Processing... please wait.");
    EXPECT_TRUE(child<QProgressBar>(&wait, "ProgressBar")->isVisible());
    EXPECT_FALSE(child<QPushButton>(&wait, "cmdTour")->isVisible());
    EXPECT_FALSE(child<QPushButton>(&wait, "cmdClose")->isVisible());
    expectTidy(&wait);

    // Once the window is on screen, a new text is painted before the call
    // returns, ahead of the caller's long synchronous work.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&wait));
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) ++paints;
            return false;
        }
    } counter;
    label->installEventFilter(&counter);
    wait.showProgress("Deleting Site... please wait.");
    EXPECT_GT(counter.paints, 0);
    label->removeEventFilter(&counter);

    wait.close();  // as the window manager would
    EXPECT_EQ(events, QStringList({"unload"}));

    // The same window serves again, in the other form.
    wait.showWelcome();
    EXPECT_FALSE(child<QProgressBar>(&wait, "ProgressBar")->isVisible());
    wait.close();
    EXPECT_EQ(events, QStringList({"unload", "unload"}));
}

// --- Splash and about window ------------------------------------------------

TEST_F(SmallWindowsTest, SplashHasNoCloseButtonTheAboutBoxHasOneAndReportsItsClose) {
    struct Row {
        const char* applicationVersion;
        const char* shown;
    };
    for (const Row& row : {Row{"", "Version " OSSIVANT_VERSION}, Row{"7.3.1", "Version 7.3.1"}}) {
        SCOPED_TRACE(row.applicationVersion);
        QCoreApplication::setApplicationVersion(row.applicationVersion);
        QWidget mainWindow;
        mainWindow.show();
        frmSplash splash(&mainWindow);
        EXPECT_EQ(child<QLabel>(&splash, "lblVersion")->text(), row.shown);

        splash.showSplash();
        EXPECT_TRUE(splash.isVisible());
        EXPECT_FALSE(child<QPushButton>(&splash, "cmdClose")->isVisible());
        expectTidy(&splash);
        splash.close();

        int closes = 0;
        mainWindow.setEnabled(false);
        splash.showAbout([&] { ++closes; });
        auto* close = child<QPushButton>(&splash, "cmdClose");
        EXPECT_TRUE(close->isVisible());
        EXPECT_TRUE(close->isEnabled());
        expectTidy(&splash);
        QTest::mouseClick(close, Qt::LeftButton);
        EXPECT_FALSE(splash.isVisible());
        splash.close();
        EXPECT_EQ(closes, 1);
    }
    QCoreApplication::setApplicationVersion({});
}

TEST_F(SmallWindowsTest, SplashStaysAtLeastOneSecondThenStartUpGoesOn) {
    for (bool destroyedMeanwhile : {false, true}) {
        SCOPED_TRACE(destroyedMeanwhile ? "splash destroyed meanwhile" : "splash open");
        QElapsedTimer sinceStart;
        sinceStart.start();
        auto splash = std::make_unique<frmSplash>();
        QPointer<frmSplash> watched = splash.get();
        splash->showSplash();
        qint64 ranAt = -1;
        CloseSplashAfter(splash.get(), sinceStart, [&] { ranAt = sinceStart.elapsed(); });
        EXPECT_EQ(ranAt, -1);
        EXPECT_TRUE(splash->isVisible());
        if (destroyedMeanwhile) splash.reset();

        EXPECT_TRUE(QTest::qWaitFor([&] { return ranAt >= 0; }, 5000));
        EXPECT_GE(ranAt, 1000);
        if (watched) {
            EXPECT_FALSE(watched->isVisible());
        }
    }
}

}  // namespace
}  // namespace ossivant
