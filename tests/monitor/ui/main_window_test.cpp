// Whole user flows through the monitor's main window, on the offscreen platform.
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>

#include "monitor/engine/menu_lock.h"
#include "monitor/ui/list_rules.h"
#include "monitor/store/site_key.h"
#include "monitor/ui/check_anim_window.h"
#include "monitor/ui/icons.h"
#include "monitor/ui/wait_window.h"
#include "tests/monitor/ui/monitor_fixture.h"
#include "tests/support/fake_http_server.h"
#include "tests/support/fake_transfer_control.h"

namespace ossivant::test {
namespace {

WaitWindow* OpenWaitWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* wait = qobject_cast<WaitWindow*>(w); wait && wait->isVisible()) return wait;
    return nullptr;
}

class MainWindowTest : public MonitorTest {
protected:
    void clickHeader(int column) {
        QHeaderView* header = list()->header();
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                   header->height() / 2));
    }
    void click(const char* label) { QTest::mouseClick(child<QLabel>(label), Qt::LeftButton); }
};

TEST_F(MainWindowTest, FirstStartWelcomesOnceAndHoldsTheMainWindowUntilClose) {
    start();
    EXPECT_GE(startMs, 1000);  // the splash stays a second
    EXPECT_TRUE(main().isVisible());
    EXPECT_TRUE(main().panelText(2).startsWith("Next: "));
    WaitWindow* welcome = OpenWaitWindow();
    ASSERT_NE(welcome, nullptr);
    EXPECT_FALSE(main().isEnabled());
    EXPECT_EQ(storedNumber("\\Setup", "startup"), 1);

    QTest::mouseClick(welcome->findChild<QPushButton*>("cmdClose"), Qt::LeftButton);
    EXPECT_TRUE(main().isEnabled());
    EXPECT_EQ(OpenWaitWindow(), nullptr);
    stop();

    start();  // the next start greets no more
    EXPECT_EQ(OpenWaitWindow(), nullptr);
    EXPECT_TRUE(main().isEnabled());
    stop();

    reg::Registry writer(temp.path());
    RegistryAccess(writer).SetValue(reg::HKEY_LOCAL_MACHINE, OssivantKey("\\Setup"), "startup", 0,
                                    kTypeNumber);
    start();  // a marker set back to 0 greets again; Run Tour without the tour says so
    welcome = OpenWaitWindow();
    ASSERT_NE(welcome, nullptr);
    QTest::mouseClick(welcome->findChild<QPushButton*>("cmdTour"), Qt::LeftButton);
    EXPECT_EQ(tourStarts, 1);
    EXPECT_EQ(messages.texts.back(),
              "Unable to locate Ossivant Interactive Tour Program.\nMake sure that the "
              "Interactive Tour Program is located in the same directory as Ossivant.");
    EXPECT_TRUE(main().isEnabled());
}

TEST_F(MainWindowTest, AlertNewsGoesToPanelThreeAndTheLightTooltipOfItsSite) {
    markStarted();
    storeSite(QStringLiteral("shop.test"));
    storeSite(QStringLiteral("news.test"));
    start();
    rowOf(1)->setToolTip(4, QStringLiteral("a comment"));
    const QDateTime next(QDate(2026, 3, 14), QTime(14, 5, 0));
    main().tellAlertNews({AlertNews::Kind::kWaiting, QStringLiteral("shop.test"),
                          QStringLiteral("421 busy"), next, false});
    const QString waiting = QStringLiteral("Alert for shop.test not delivered yet: 421 busy; "
                                           "next try at 2:05:00 PM");
    EXPECT_EQ(main().panelText(3), waiting);
    EXPECT_EQ(rowOf(1)->toolTip(kLightColumn), waiting);
    EXPECT_EQ(rowOf(1)->toolTip(kCommentColumn), "a comment");
    EXPECT_EQ(rowOf(2)->toolTip(kLightColumn), QString());
    main().tellAlertNews({AlertNews::Kind::kFailed, QStringLiteral("news.test"),
                          QStringLiteral("550 refused"), {}, true});
    EXPECT_EQ(main().panelText(3), "Alert for news.test could not be delivered: 550 refused");
    EXPECT_EQ(rowOf(1)->toolTip(kLightColumn), waiting);
    main().Display_lvwMainEx(QString());  // a refilled list keeps the last news
    EXPECT_EQ(rowOf(1)->toolTip(kLightColumn), waiting);
}

TEST_F(MainWindowTest, FiltersSortingAndDisabledRows) {
    markStarted();
    for (int i = 1; i <= 12; ++i)
        storeSite(QStringLiteral("site%1.test").arg(QChar('a' + (12 - i))), i == 3 ? 0 : 1);
    start();
    // Statuses as checks would leave them; 0 and 4 count as never checked.
    const std::uint8_t statuses[] = {1, 2, 3, 2, 0, 4, 1, 1, 1, 1, 1, 3};
    for (int i = 1; i <= 12; ++i) app->sites()[i].Status = statuses[i - 1];
    main().Display_lvwMainEx(QString());

    EXPECT_EQ(rowIndexes(),
              QStringList({"1", "10", "11", "12", "2", "3", "4", "5", "6", "7", "8", "9"}));
    const QColor grey = main().palette().color(QPalette::Disabled, QPalette::Text);
    EXPECT_EQ(rowOf(3)->foreground(1).color(), grey);  // disabled: grey, no light
    EXPECT_TRUE(rowOf(3)->icon(3).isNull());
    EXPECT_FALSE(rowOf(2)->icon(3).isNull());
    EXPECT_NE(rowOf(2)->foreground(1).color(), grey);
    EXPECT_TRUE(rowOf(5)->icon(3).isNull());  // never checked
    EXPECT_TRUE(rowOf(6)->icon(3).isNull());
    EXPECT_EQ(child<QLabel>("lblSummary")->text(),
              "<b>12 sites</b><br>6 OK, 2 warning, 1 down, 2 not checked, 1 disabled");

    // View menu and the indicator pictures choose the same filters.
    action("mV_Warning")->trigger();
    EXPECT_EQ(rowIndexes(), QStringList({"2", "4"}));
    EXPECT_TRUE(action("mV_Warning")->isChecked());
    EXPECT_FALSE(action("mV_All")->isChecked());
    click("imgColors");  // warning -> unsuccessful; site 3 is disabled but still listed
    EXPECT_EQ(main().ViewResultFilter(), 3);
    EXPECT_EQ(rowIndexes(), QStringList({"12", "3"}));
    EXPECT_TRUE(action("mV_Unsuccessful")->isChecked());
    click("imgColors");  // back to all
    EXPECT_EQ(rowIndexes().size(), 12);
    click("imgEnabled");  // enabled only
    EXPECT_EQ(rowIndexes().size(), 11);
    EXPECT_TRUE(action("mV_Enabled")->isChecked());
    click("imgEnabled");  // disabled only
    EXPECT_EQ(rowIndexes(), QStringList({"3"}));
    action("mV_Both")->trigger();
    action("mV_Successful")->trigger();
    EXPECT_EQ(rowIndexes(), QStringList({"1", "10", "11", "7", "8", "9"}));
    action("mV_All")->trigger();

    // Web Address: ascending, descending, natural, ascending; other headers: natural.
    const QStringList byAddress = {"12", "11", "10", "9", "8", "7", "6", "5", "4", "3", "2", "1"};
    QStringList reversed = byAddress;
    std::reverse(reversed.begin(), reversed.end());
    const QStringList natural = {"1", "10", "11", "12", "2", "3", "4", "5", "6", "7", "8", "9"};
    clickHeader(1);
    EXPECT_EQ(rowIndexes(), byAddress);
    clickHeader(1);
    EXPECT_EQ(rowIndexes(), reversed);
    clickHeader(1);
    EXPECT_EQ(rowIndexes(), natural);
    EXPECT_FALSE(list()->headerItem()->icon(1).isNull());  // keeps its arrow
    clickHeader(1);
    EXPECT_EQ(rowIndexes(), byAddress);
    clickHeader(4);
    EXPECT_EQ(rowIndexes(), natural);
    EXPECT_TRUE(list()->headerItem()->icon(1).isNull());
}

TEST_F(MainWindowTest, RightClickOnAnEmptyListOffersNoEditOrDelete) {
    markStarted();
    start();
    ASSERT_EQ(list()->topLevelItemCount(), 0);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(20, 20),
                                list()->viewport()->mapToGlobal(QPoint(20, 20)));
    QApplication::sendEvent(list()->viewport(), &menuEvent);
    auto* popup = main().findChild<QMenu*>("mnuLvwMain");
    ASSERT_TRUE(QTest::qWaitFor([&] { return popup->isVisible(); }));
    EXPECT_FALSE(action("mnuLvw_Edit")->isEnabled());
    EXPECT_FALSE(action("mnuLvw_Del")->isEnabled());
    EXPECT_TRUE(action("mnuLvw_New")->isEnabled());
    EXPECT_TRUE(action("mnuLvw_Check")->isEnabled());
    popup->close();

    action("mE_EditAddress")->trigger();
    action("mE_DelAddress")->trigger();
    EXPECT_EQ(messages.texts, QStringList({"No address selected.", "No address selected."}));
}

TEST_F(MainWindowTest, ManualChecksByKeyWithProgressStopAndAlert) {
    markStarted();
    FakeHttpServer server(httpReply("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"));
    const QString base = QStringLiteral("127.0.0.1:%1").arg(server.port());
    storeSite(base + "/ok");
    storeSite(base + "/missing");
    storeSite(base + "/silent");
    start();

    const auto runCycle = [&](QKeySequence keys) {
        main().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&main()));
        server.queue(httpReply("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"));
        server.queue(httpReply("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"));
        server.queue({HttpStep::readRequest(), HttpStep::silent()});
        list()->setFocus();
        QTest::keySequence(list(), keys);
        ASSERT_TRUE(app->engine().CycleRunning());
        for (const QString& name : kLockedCommands)
            EXPECT_FALSE(action(name.toLatin1().constData())->isEnabled()) << name.toStdString();
        EXPECT_EQ(main().panelText(2), "Site checking in progress");
        EXPECT_TRUE(main().panelText(3).startsWith("Last: "));
        // Wait for the third probe, then stop it from the progress window.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return app->progress().window() && app->progress().window()->isVisible() &&
                       app->progress()
                           .window()
                           ->findChild<QLabel*>("lblSiteName")
                           ->text()
                           .endsWith("/silent");
            },
            10000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.connections() >= 3; }, 5000));
        QTest::mouseClick(app->progress().window()->findChild<QPushButton*>("cmdStopAll"),
                          Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !app->engine().CycleRunning(); }, 5000));
        EXPECT_EQ(app->progress().window(), nullptr);
        for (const QString& name : kLockedCommands)
            EXPECT_TRUE(action(name.toLatin1().constData())->isEnabled()) << name.toStdString();
        EXPECT_TRUE(main().panelText(2).startsWith("Next: "));
    };

    QSignalSpy down(&main(), &frmMain::siteDownNotified);
    runCycle(QKeySequence(Qt::Key_F5));
    EXPECT_EQ(rowOf(1)->text(4), "Site OK");
    EXPECT_EQ(rowOf(2)->text(4), "404 File Not Found");
    EXPECT_EQ(rowOf(3)->text(4), "Manually Stopped.");
    EXPECT_EQ(app->sites()[1].Status, StatusOK);
    EXPECT_EQ(app->sites()[2].Status, StatusWarning);
    EXPECT_FALSE(rowOf(1)->icon(3).isNull());
    EXPECT_EQ(down.count(), 0);

    runCycle(QKeySequence(Qt::CTRL | Qt::Key_S));
    EXPECT_EQ(app->sites()[2].Status, StatusFailed);
    ASSERT_EQ(alerts.sent.size(), 1u);
    ASSERT_EQ(down.count(), 1);
    EXPECT_EQ(down[0][0].toString(), "http://" + base + "/missing");
    EXPECT_EQ(down[0][1].toString(), "404 File Not Found");
}

TEST_F(MainWindowTest, MinimisingHidesIntoTheTrayOnlyWhenThereIsOne) {
    markStarted();
    for (bool tray : {true, false}) {
        trayAvailable = tray;
        start();
        QAction* restore = child<QMenu>("mPopupSys")->findChild<QAction*>("mPopRestore");
        EXPECT_FALSE(restore->isEnabled());
        main().showMinimized();
        ASSERT_TRUE(QTest::qWaitFor([&] { return restore->isEnabled(); }));
        if (tray) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return !main().isVisible(); }));
            EXPECT_TRUE(main().IsMinimised());
            restore->trigger();
            ASSERT_TRUE(QTest::qWaitFor([&] { return main().isVisible(); }));
            EXPECT_FALSE(main().isMinimized());
            EXPECT_FALSE(restore->isEnabled());
        } else {
            QTest::qWait(50);  // a hide would come at the next turn of the loop
            EXPECT_TRUE(main().isVisible());
        }
        stop();
    }
}

// Five sites, four of which stop answering: the first cycle turns them
// yellow, the second red with four alerts and one tray message for all.
TEST_F(MainWindowTest, SitesDownTogetherGiveOneTrayMessageAndTheWorstLight) {
    markStarted();
    FakeTransferControl control;
    inet = &control;
    for (int i = 1; i <= 5; ++i) storeSite(QStringLiteral("site%1.test").arg(i));
    start();
    QSystemTrayIcon* tray = main().trayIcon();
    ASSERT_TRUE(tray->isVisible());
    EXPECT_EQ(tray->icon().cacheKey(), icons::Program().cacheKey());
    EXPECT_EQ(tray->toolTip(), "Ossivant");

    const auto runCycle = [&] {
        action("mF_StartCheck")->trigger();
        while (app->engine().CycleRunning()) {
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return control.StillExecuting() || !app->engine().CycleRunning(); }, 5000));
            if (!control.StillExecuting()) break;
            if (control.URL().endsWith("site1.test"))
                control.respond("HTTP/1.1 200 OK\r\nServer: test\r\n");
            else
                control.fail(28, "Timeout was reached");
        }
    };
    QSignalSpy down(&main(), &frmMain::siteDownNotified);
    QSignalSpy shown(&main(), &frmMain::trayMessageShown);
    runCycle();
    EXPECT_EQ(app->sites()[2].Status, StatusWarning);
    EXPECT_EQ(shown.count(), 0);
    EXPECT_EQ(tray->icon().cacheKey(), icons::TrayIcon(SiteRows::Yellow).cacheKey());
    EXPECT_EQ(tray->toolTip(), "Ossivant");

    runCycle();
    EXPECT_EQ(alerts.sent.size(), 4u);
    EXPECT_EQ(down.count(), 4);
    ASSERT_EQ(shown.count(), 1);
    EXPECT_EQ(shown[0][0].toString(), "Ossivant: 4 sites down");
    const QString text = shown[0][1].toString();
    EXPECT_TRUE(text.startsWith("http://site2.test - ")) << text.toStdString();
    EXPECT_TRUE(text.endsWith("\nand 1 more")) << text.toStdString();
    EXPECT_EQ(tray->icon().cacheKey(), icons::TrayIcon(SiteRows::Red).cacheKey());
    EXPECT_EQ(tray->toolTip(),
              "Ossivant\n4 sites down:\nhttp://site2.test\nhttp://site3.test\nhttp://"
              "site4.test\nand 1 more");

    // A cycle that found the computer offline says so under the sites.
    main().SetOffline(true);
    EXPECT_TRUE(tray->toolTip().endsWith("\nand 1 more\nNot checked: this computer is offline"));
    main().SetOffline(false);
    EXPECT_FALSE(tray->toolTip().contains("offline"));

    // Down sites switched off leave the green one; the list shows it anew.
    for (int i = 2; i <= 5; ++i) app->sites()[i].Enabled = 0;
    main().Display_lvwMain(QString());
    EXPECT_EQ(tray->icon().cacheKey(), icons::TrayIcon(SiteRows::Green).cacheKey());
    EXPECT_EQ(tray->toolTip(), "Ossivant");

    // Outside a cycle nothing waits for its end.
    main().NotifySiteDown("http://site9.test", "Timed out");
    ASSERT_EQ(shown.count(), 2);
    EXPECT_EQ(shown[1][0].toString(), "Ossivant: Site down");
    EXPECT_EQ(shown[1][1].toString(), "http://site9.test\nTimed out");
}

// New from the keyboard, then Edit of the new row with Enter: the editor holds
// the main window while it is open and the list follows what it stored.
TEST_F(MainWindowTest, NewAndEditThroughTheSiteEditor) {
    markStarted();
    storeSite("first.test", 0, "192.0.2.7", 45);
    start();
    frmSiteEditor& editor = app->siteEditor();
    main().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main()));
    QTest::keyClick(list(), Qt::Key_N, Qt::ControlModifier);
    ASSERT_TRUE(editor.isVisible());
    EXPECT_FALSE(editor.EditMode());
    EXPECT_EQ(editor.CurrentSite(), 2);
    EXPECT_FALSE(main().isEnabled());
    QTest::keyClicks(editor.findChild<QLineEdit*>("txtURL"), "HTTPS://second.test");
    editor.cmdOK_Click();
    EXPECT_FALSE(editor.isVisible());
    EXPECT_TRUE(main().isEnabled());
    EXPECT_EQ(rowIndexes(), QStringList({"1", "2"}));
    EXPECT_EQ(list()->currentItem(), rowOf(2));  // the new site is selected
    EXPECT_EQ(rowOf(2)->text(1), "HTTPS://second.test");

    list()->setCurrentItem(rowOf(1));
    main().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main()));
    QTest::keyClick(list(), Qt::Key_Return);
    ASSERT_TRUE(editor.isVisible());
    EXPECT_TRUE(editor.EditMode());
    EXPECT_EQ(editor.CurrentSite(), 1);
    EXPECT_EQ(editor.findChild<QLineEdit*>("txtURL")->text(), "first.test");
    EXPECT_EQ(editor.findChild<QLineEdit*>("txtIP4")->text(), "7");
    EXPECT_EQ(editor.findChild<QLineEdit*>("txtTimeOut")->text(), "45");
    EXPECT_FALSE(editor.findChild<QCheckBox*>("chkEnable")->isChecked());
    editor.cmdCancel_Click();
    EXPECT_TRUE(main().isEnabled());
    EXPECT_EQ(app->sites()[1].TimeOut, 45);

    // An HTTPS row opens with its address whole.
    list()->setCurrentItem(rowOf(2));
    action("mE_EditAddress")->trigger();
    ASSERT_TRUE(editor.isVisible());
    EXPECT_EQ(editor.findChild<QLineEdit*>("txtURL")->text(), "HTTPS://second.test");
    editor.cmdCancel_Click();
}

TEST_F(MainWindowTest, DeleteAsksThenRemovesTheSiteAndRefills) {
    markStarted();
    storeSite("one.test");
    storeSite("two.test");
    storeSite("three.test");
    start();
    list()->setCurrentItem(rowOf(2));
    messages.answer = MsgAnswer::No;
    action("mE_DelAddress")->trigger();
    EXPECT_EQ(messages.texts.back(), "Are you sure you wish to delete the selected Site?");
    EXPECT_EQ(rowIndexes().size(), 3);

    messages.answer = MsgAnswer::Yes;
    list()->setCurrentItem(rowOf(2));
    action("mE_DelAddress")->trigger();
    EXPECT_EQ(rowIndexes(), QStringList({"1", "2"}));
    EXPECT_EQ(rowOf(2)->text(1), "http://three.test");
    EXPECT_EQ(app->sites().SiteCount(), 2);
    EXPECT_EQ(storedNumber("\\Address", "NumActualDomain"), 2);

    EXPECT_TRUE(main().trayIcon()->isVisible());
    app->ExitProgram();  // File > Exit: no tray icon, no window left
    EXPECT_FALSE(main().trayIcon()->isVisible());
    EXPECT_FALSE(main().isVisible());
}

// While a probe runs, the list's own ways to add, change or remove a site do
// nothing, so the probe's outcome lands on the site it was made for.
TEST_F(MainWindowTest, ListCommandsDoNothingWhileACycleRuns) {
    markStarted();
    FakeHttpServer server(httpReply("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"));
    const QString base = QStringLiteral("127.0.0.1:%1").arg(server.port());
    for (const char* path : {"/first", "/second", "/third"}) storeSite(base + path);
    start();
    // The first site answers 404 after a while; the others answer at once.
    server.queue({HttpStep::readRequest(), HttpStep::wait(std::chrono::milliseconds(1500)),
                  HttpStep::send("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"),
                  HttpStep::close()});
    messages.answer = MsgAnswer::Yes;
    action("mF_StartCheck")->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.connections() >= 1; }, 10000));
    ASSERT_EQ(app->engine().state().lCheckIndex, 1);

    list()->setFocus();
    list()->setCurrentItem(rowOf(1));
    QTest::keyClick(list(), Qt::Key_Delete);
    QTest::keyClick(list(), Qt::Key_Return);
    const QRect firstRow = list()->visualItemRect(rowOf(1));
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, firstRow.center());
    main().mE_DelAddress_Click();
    main().mE_EditAddress_Click();
    main().mF_NewAddress_Click();
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, firstRow.center(),
                                list()->viewport()->mapToGlobal(firstRow.center()));
    QApplication::sendEvent(list()->viewport(), &menuEvent);
    auto* popup = main().findChild<QMenu*>("mnuLvwMain");
    ASSERT_TRUE(QTest::qWaitFor([&] { return popup->isVisible(); }));
    for (const char* name : {"mnuLvw_New", "mnuLvw_Edit", "mnuLvw_Del"})
        EXPECT_FALSE(action(name)->isEnabled()) << name;
    popup->close();
    EXPECT_FALSE(app->siteEditor().isVisible());
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join('|').toStdString();

    ASSERT_TRUE(QTest::qWaitFor([&] { return !app->engine().CycleRunning(); }, 10000));
    ASSERT_EQ(app->sites().SiteCount(), 3);
    const std::pair<const char*, int> expected[] = {
        {"/first", StatusWarning}, {"/second", StatusOK}, {"/third", StatusOK}};
    for (int i = 0; i < 3; ++i) {
        const QString url = base + expected[i].first;
        EXPECT_EQ(app->sites()[i + 1].URL, url);
        EXPECT_EQ(app->sites()[i + 1].Status, expected[i].second) << expected[i].first;
        EXPECT_EQ(storedNumber("\\Address\\" + SiteKeyName(url), "Status"), expected[i].second)
            << expected[i].first;
    }
    // With the cycle over, the commands work again.
    list()->setCurrentItem(rowOf(3));
    main().mE_DelAddress_Click();
    EXPECT_EQ(app->sites().SiteCount(), 2);
}

TEST_F(MainWindowTest, HelpMenuOpensTheManualTheUpdatePageAndLinks) {
    markStarted();
    start();
    action("mnuHelp_Contents")->trigger();
    action("mnuHelp_Update")->trigger();
    {
        reg::Registry writer(temp.path());
        RegistryAccess access(writer);
        access.CreateKey(reg::HKEY_LOCAL_MACHINE, OssivantKey("\\URL\\Ossivant"));
        access.SetValue(reg::HKEY_LOCAL_MACHINE, OssivantKey("\\URL\\Ossivant"), "Updates",
                        QStringLiteral("https://updates.example/"), kTypeString);
    }
    action("mnuHelp_Update")->trigger();
    action("mnuCool_Smtp")->trigger();
    ASSERT_EQ(shell.targets.size(), 4);
    EXPECT_EQ(shell.targets[0], programDir + "/Ossivant.html");
    EXPECT_TRUE(shell.targets[1].startsWith("https://"));
    EXPECT_EQ(shell.targets[2], "https://updates.example/");
    EXPECT_EQ(shell.targets[3], "https://www.rfc-editor.org/rfc/rfc5321.html");

    tourPresent = true;
    action("mnuHelp_InteractiveTour")->trigger();
    EXPECT_EQ(tourStarts, 1);
    EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(MainWindowTest, ImportRefillsTheListAndExportWritesIt) {
    markStarted();
    storeSite("www.a.example", 1, "", 30);
    start();
    const QString folder = programDir + QStringLiteral("/lists");
    ASSERT_TRUE(QDir().mkpath(folder));
    {
        QFile file(folder + QStringLiteral("/in.ovd"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(
            "www.a.example,10.0.0.1,1,1,45\r\nwww.b.example,,2,0,90\r\nbad,1.2.3,1,1,1\r\n"
            "https://www.c.example/s,,1,1,30\r\n");
    }
    files.openAnswers << folder + QStringLiteral("/in.ovd");
    messages.answer = MsgAnswer::Yes;
    action("mF_Import")->trigger();

    // The line that does not read is told once the list is back.
    EXPECT_EQ(
        messages.texts,
        (QStringList{kReplaceQuestion, QStringLiteral("3 lines were imported.\n\n"
                                                      "1 line skipped as unreadable (line 3).")}));
    ASSERT_EQ(rowIndexes().size(), 3);
    QStringList rows;
    for (int i = 1; i <= 3; ++i)
        rows << rowOf(i)->text(kAddressColumn) + u'|' + rowOf(i)->text(kIpColumn) + u'|' +
                    rowOf(i)->text(kCommentColumn);
    rows.sort();
    EXPECT_EQ(rows.join(u'\n'), QStringLiteral("http://www.a.example|10.0.0.1|Import Replace\n"
                                               "http://www.b.example||Import New\n"
                                               "https://www.c.example/s||Import New"));
    EXPECT_TRUE(main().isEnabled());
    EXPECT_EQ(OpenWaitWindow(), nullptr);
    EXPECT_EQ(storedNumber("\\Address", "NumActualDomain"), 3);

    files.saveAnswers << folder + QStringLiteral("/out");
    files.saveAnswers << folder + QStringLiteral("/out.ovd");
    action("mF_Export")->trigger();
    QFile out(folder + QStringLiteral("/out.ovd"));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    const QByteArray written = out.readAll();
    EXPECT_EQ(written.count("\r\n"), 3);
    EXPECT_TRUE(written.contains("www.a.example,10.0.0.1,1,1,45\r\n"));
    EXPECT_TRUE(written.contains("www.b.example,,2,0,90\r\n"));
    EXPECT_TRUE(written.contains("https://www.c.example/s,,1,1,30\r\n"));
    EXPECT_EQ(messages.texts.last(), kExported);
    EXPECT_TRUE(main().isEnabled());
}

TEST_F(MainWindowTest, LogMenuStartsTheViewerWithItsArguments) {
    markStarted();
    const QString viewer = programDir + QStringLiteral("/scrollet");
    {
        QFile file(viewer);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                            QFileDevice::ExeOwner);
    }
    start();
    const QString logs = programDir + QStringLiteral("/my logs");
    ASSERT_TRUE(QDir().mkpath(logs));
    app->settings().LogPath = logs;
    const QString old = logs + QStringLiteral("/old.ovl");
    {
        QFile file(old);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("a line\r\n");
    }

    // Open Log, without and with an HTML copy.
    files.openAnswers << old << old;
    files.saveAnswers << programDir + QStringLiteral("/copy.htm");
    messages.answer = MsgAnswer::No;
    action("mnuLog_Open")->trigger();
    messages.answer = MsgAnswer::Yes;
    action("mnuLog_Open")->trigger();
    ASSERT_EQ(launcher.starts.size(), 2u);
    EXPECT_EQ(launcher.starts[0].program, viewer);
    EXPECT_EQ(launcher.starts[0].arguments, QStringList{old});
    EXPECT_EQ(launcher.starts[1].arguments,
              (QStringList{old, programDir + QStringLiteral("/copy.htm")}));
    EXPECT_EQ(files.shown.at(0).startFolder, logs);

    // View Current Log shows today's log alone.
    CheckLog current(app->settings(), clock);
    current.GetLogFileName(false);
    {
        QFile file(current.LogFileName());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    action("mnuLogs_ViewCur")->trigger();
    ASSERT_EQ(launcher.starts.size(), 3u);
    EXPECT_EQ(launcher.starts[2].program, viewer);
    EXPECT_EQ(launcher.starts[2].arguments, QStringList{current.LogFileName()});
    EXPECT_EQ(messages.texts, (QStringList(2, "Do you wish to save the the log file as HTML?")));

    // Without the viewer the operator is told, and nothing starts.
    ASSERT_TRUE(QFile::remove(viewer));
    action("mnuLogs_ViewCur")->trigger();
    EXPECT_EQ(launcher.starts.size(), 3u);
    EXPECT_EQ(messages.texts.last(), kViewerMissing + QStringLiteral("\n\n") + kViewerMissingHint);
}

}  // namespace
}  // namespace ossivant::test
