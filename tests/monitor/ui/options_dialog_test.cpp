// The options dialog over a temporary registry, on the offscreen platform:
// the checks as the focus leaves each box, the numeric boxes, the log
// controls, and saving or not saving.
#include "monitor/ui/options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>

#include "monitor/store/load_settings.h"
#include "tests/monitor/ui/monitor_fixture.h"
#include "tests/support/fake_clock.h"

namespace ossivant::test {
namespace {

const QString kWarningRange = "Please enter an integer from 5 to 60.";
const QString kIntegersOnly = "You can only enter Integers in this field.";
const QString kIntervalAboveWarning =
    "The Auto-Check Interval must be greater than the Warning Alert Interval.";
const QString kIntervalRange = "Time Interval has to be between 5 minutes and 1425 minutes.";
const QString kWarningBelowInterval = "The Warning Interval must be less than the Timer Interval.";
const QString kMaxFilesMinimum = "A minimum of 1 is required in the maximum log fiels field.";
const QString kMaxFilesMaximum = "A maximum of 3000 can be set in this field.";
const QString kMaxFilesQuestion =
    "A number beyond 25 is very high and defeats the purpose of disk conservation.\r\n\r\n"
    "Would you like to change the number to a smaller number?";
const QString kInvalidEmail = "Please enter a valid e-mail address.";

// Answers the folder browser with `answer` and records each opening.
class FakeFolders final : public FolderDialog {
public:
    QString browseFolder(QWidget* owner, const QString& title, const QString& start) override {
        owners << owner;
        titles << title;
        starts << start;
        return answer;
    }
    QString answer;
    QList<QWidget*> owners;
    QStringList titles;
    QStringList starts;
};

class OptionsDialogTest : public ::testing::Test {
protected:
    OptionsDialogTest() {
        QApplication::setQuitOnLastWindowClosed(false);
        LoadSettings(access, settings, logDir);
    }
    ~OptionsDialogTest() override {
        dialog.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void open() {
        OptionsHooks hooks;
        hooks.onOpened = [this] { ++opened; };
        hooks.onTimersChanged = [this](const QDateTime& next) { timerChanges << next; };
        hooks.onClosed = [this] { ++closed; };
        dialog = std::make_unique<frmOptions>(&mainWindow, settings, access, messages, folders,
                                              clock, programDir, hooks);
        dialog->setBeep([this] { ++beeps; });
        dialog->Open();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    }

    template <class T = QLineEdit>
    T* w(const char* name) {
        T* found = dialog->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QLineEdit* box(const char* name) { return w<QLineEdit>(name); }

    // Puts `text` into the box as a paste would, with the focus in the box.
    void paste(const char* name, const QString& text) {
        QTabWidget* tabs = w<QTabWidget>("tabOptions");
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->widget(i)->isAncestorOf(box(name))) tabs->setCurrentIndex(i);
        box(name)->setFocus(Qt::MouseFocusReason);
        box(name)->setText(text);
    }
    // Moves the focus on as a click on another box would.
    void leaveTo(const char* name) { w<QWidget>(name)->setFocus(Qt::MouseFocusReason); }
    void clickOK() { QTest::mouseClick(w<QPushButton>("cmdOK"), Qt::LeftButton); }
    QWidget* focus() { return QApplication::focusWidget(); }

    std::int32_t storedNumber(const char* key, const char* name) {
        std::int32_t value = -1;
        if (access.GetValue(reg::HKEY_LOCAL_MACHINE, OssivantKey(key), name, value) != 0) return -1;
        return value;
    }
    QString storedText(const char* key, const char* name) {
        QString value = "<missing>";
        access.GetValue(reg::HKEY_LOCAL_MACHINE, OssivantKey(key), name, value);
        return value;
    }

    QApplication* application = widgetsApplication();  // before any widget
    TempRegistry temp;
    reg::Registry registry{temp.path()};
    RegistryAccess access{registry};
    QString programDir = QString::fromStdString(temp.dir().path().string());
    QString logDir = programDir + "/Logs";
    Settings settings;
    RecordingMessages messages;
    FakeFolders folders;
    FakeClock clock;
    QWidget mainWindow;
    std::unique_ptr<frmOptions> dialog;
    int opened = 0;
    int closed = 0;
    int beeps = 0;
    QList<QDateTime> timerChanges;
};

TEST_F(OptionsDialogTest, OpensOnTheTimerPageWithTheLoadedSettings) {
    settings.ManagerEmail = "boss@example.org";
    settings.LogPeriod = 2;
    settings.DiskLogMaxFiles = 0;
    settings.AllowType = 2;
    open();
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(dialog->windowTitle(), "Options");
    EXPECT_EQ(dialog->page(), 1);
    EXPECT_EQ(dialog->helpContext(), 20001);
    EXPECT_EQ(focus(), box("txtTimerInterval"));
    EXPECT_EQ(box("txtTimerInterval")->selectedText(), "60");
    EXPECT_EQ(box("txtTimerWarning")->text(), "15");
    EXPECT_EQ(box("txtSMTPPort")->text(), "25");
    EXPECT_EQ(box("txtMaxLogFiles")->text(), "7");
    EXPECT_EQ(box("txtMgrEmail")->text(), "boss@example.org");
    EXPECT_EQ(box("txtLogPath")->text(), logDir);
    EXPECT_TRUE(w<QRadioButton>("optLogWeekly")->isChecked());
    EXPECT_FALSE(w<QCheckBox>("chkDiskMaxLogFiles")->isChecked());
    EXPECT_FALSE(box("txtMaxLogFiles")->isEnabled());
    EXPECT_TRUE(w<QRadioButton>("optCookieDisable")->isChecked());
    QTabWidget* tabs = w<QTabWidget>("tabOptions");
    QStringList captions;
    for (int i = 0; i < tabs->count(); ++i) captions << tabs->tabText(i);
    EXPECT_EQ(captions, QStringList({"Timer", "Manager", "Logs", "Cookies"}));
}

TEST_F(OptionsDialogTest, EachPageTakesTheFocusAndHelpTopicOfItsOwn) {
    settings.LogPeriod = 0;
    open();
    QTabBar* bar = w<QTabWidget>("tabOptions")->tabBar();
    struct Row {
        int tab;
        int help;
        const char* focused;
    };
    for (const Row& row : {Row{1, 20002, "txtMgrName"}, Row{2, 20003, "optNoLogs"},
                           Row{3, 20004, nullptr}, Row{0, 20001, "txtTimerInterval"}}) {
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(row.tab).center());
        EXPECT_EQ(dialog->page(), row.tab + 1);
        EXPECT_EQ(dialog->helpContext(), row.help);
        if (row.focused) {
            EXPECT_EQ(focus(), w<QWidget>(row.focused)) << row.tab;
        }
    }
    // With a log kept, the Logs page starts at Browse.
    w<QRadioButton>("optLogDaily")->setChecked(true);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
    EXPECT_EQ(focus(), w<QWidget>("cmdLogDirBrowse"));
}

TEST_F(OptionsDialogTest, NumericBoxesKeepDigitsOnlyAndBeepForEachRemoval) {
    struct Row {
        const char* box;
        QString typed;
        QString kept;
        int beeps;
        QStringList messages;
    };
    const Row rows[] = {
        {"txtTimerInterval", "1a2", "12", 1, {}},
        {"txtTimerInterval", "007", "7", 0, {}},
        {"txtTimerInterval", "7.5", "7.5", 0, {}},
        {"txtTimerInterval", "1.2.3", "123", 2, {}},
        {"txtTimerWarning", "7.5", "75", 0, {kWarningRange}},
        {"txtTimerWarning", "x-9!", "9", 3, {}},
        {"txtMaxLogFiles", "2.5", "25", 0, {kIntegersOnly}},
        {"txtMaxLogFiles", "0012", "12", 0, {}},
    };
    open();
    for (const Row& row : rows) {
        beeps = 0;
        messages.texts.clear();
        box(row.box)->setText(row.typed);
        EXPECT_EQ(box(row.box)->text(), row.kept) << row.box << " " << row.typed.toStdString();
        EXPECT_EQ(beeps, row.beeps) << row.box << " " << row.typed.toStdString();
        EXPECT_EQ(messages.texts, row.messages) << row.box << " " << row.typed.toStdString();
    }
    // Typed key by key, "1a2" also ends as 12 after one beep.
    beeps = 0;
    box("txtTimerInterval")->clear();
    QTest::keyClicks(box("txtTimerInterval"), "1a2");
    EXPECT_EQ(box("txtTimerInterval")->text(), "12");
    EXPECT_EQ(beeps, 1);
}

TEST_F(OptionsDialogTest, TimerPairsAreCheckedAsTheFocusLeavesABox) {
    struct Row {
        QString interval;
        QString warning;
        const char* left;  // the box the focus leaves
        QString message;   // empty: accepted
        QString becomes;
    };
    const Row rows[] = {
        {"10", "10", "txtTimerInterval", {}, "10"},
        {"10", "10", "txtTimerWarning", {}, "10"},
        {"10", "15", "txtTimerWarning", kWarningBelowInterval, "10"},
        {"90", "95", "txtTimerWarning", kWarningBelowInterval, "60"},
        {"4", "5", "txtTimerInterval", kIntervalAboveWarning, "6"},
        {"3", "3", "txtTimerInterval", kIntervalRange, "5"},
        {"1500", "15", "txtTimerInterval", kIntervalRange, "1425"},
        {"1425", "15", "txtTimerInterval", {}, "1425"},
        {"60", "4", "txtTimerWarning", kWarningRange, "5"},
        {"100", "70", "txtTimerWarning", kWarningRange, "60"},
        {"7.5", "5", "txtTimerInterval", {}, "7.5"},
    };
    for (const Row& row : rows) {
        open();
        const QString what = row.interval + "/" + row.warning + " " + row.left;
        box(row.left)->setFocus(Qt::MouseFocusReason);
        box("txtTimerInterval")->setText(row.interval);
        box("txtTimerWarning")->setText(row.warning);
        messages.texts.clear();
        leaveTo("txtMgrEmail");
        if (row.message.isEmpty()) {
            EXPECT_EQ(messages.texts, QStringList()) << what.toStdString();
            EXPECT_EQ(focus(), box("txtMgrEmail")) << what.toStdString();
        } else {
            EXPECT_EQ(messages.texts, QStringList({row.message})) << what.toStdString();
            EXPECT_EQ(focus(), box(row.left)) << what.toStdString();
        }
        EXPECT_EQ(box(row.left)->text(), row.becomes) << what.toStdString();
    }
}

TEST_F(OptionsDialogTest, MaximumLogFilesIsBoundedAndAHighNumberIsQuestioned) {
    struct Row {
        QString typed;
        MsgAnswer answer;
        QString message;
        QString becomes;
        bool focusStays;
    };
    const Row rows[] = {
        {"0", MsgAnswer::No, kMaxFilesMinimum, "1", true},
        {"1", MsgAnswer::No, {}, "1", false},
        {"25", MsgAnswer::No, {}, "25", false},
        {"26", MsgAnswer::No, kMaxFilesQuestion, "26", false},
        {"26", MsgAnswer::Yes, kMaxFilesQuestion, "26", true},
        {"3000", MsgAnswer::No, kMaxFilesQuestion, "3000", false},
        {"3001", MsgAnswer::No, kMaxFilesMaximum, "3000", true},
    };
    open();
    for (const Row& row : rows) {
        messages.answer = row.answer;
        messages.texts.clear();
        paste("txtMaxLogFiles", row.typed);
        leaveTo("chkDiskNoLogDisabled");
        EXPECT_EQ(messages.texts, row.message.isEmpty() ? QStringList() : QStringList{row.message})
            << row.typed.toStdString();
        EXPECT_EQ(box("txtMaxLogFiles")->text(), row.becomes) << row.typed.toStdString();
        EXPECT_EQ(focus() == box("txtMaxLogFiles"), row.focusStays) << row.typed.toStdString();
    }
}

TEST_F(OptionsDialogTest, EmailNeedsAnAtAndADotOrNothingAtAll) {
    struct Row {
        QString address;
        bool accepted;
    };
    const Row rows[] = {
        {"", true},           {"boss@example.org", true},  {"first.last@host", true},
        {"boss@host", false}, {"boss.example.org", false}, {"boss", false},
    };
    open();
    for (const Row& row : rows) {
        messages.texts.clear();
        paste("txtMgrEmail", row.address);
        leaveTo("txtMgrName");
        EXPECT_EQ(messages.texts, row.accepted ? QStringList() : QStringList{kInvalidEmail})
            << row.address.toStdString();
        EXPECT_EQ(box("txtMgrEmail")->text(), row.address);
        if (!row.accepted) {
            EXPECT_EQ(focus(), box("txtMgrEmail"));
            EXPECT_EQ(box("txtMgrEmail")->selectedText(), row.address);
        }
    }
}

TEST_F(OptionsDialogTest, MissingLogFolderIsCreatedBrowsedForOrPutBack) {
    const QString missing = programDir + "/new/deeper";
    const QString question = "The folder " + missing + " does not exist.\r\n\r\nCreate it now?";
    open();

    // Cancel before Browse was ever used empties the box.
    messages.answer = MsgAnswer::Cancel;
    paste("txtLogPath", missing);
    leaveTo("cmdLogDirBrowse");
    EXPECT_EQ(messages.texts, QStringList{question});
    EXPECT_EQ(box("txtLogPath")->text(), "");
    EXPECT_EQ(focus(), w<QWidget>("cmdLogDirBrowse"));

    // After a Browse, Cancel puts back what the box held before it.
    folders.answer = programDir;
    QTest::mouseClick(w<QPushButton>("cmdLogDirBrowse"), Qt::LeftButton);
    EXPECT_EQ(folders.titles, QStringList{"Please select the folder to store the log files."});
    EXPECT_EQ(folders.owners, QList<QWidget*>{dialog.get()});
    EXPECT_EQ(box("txtLogPath")->text(), programDir);
    paste("txtLogPath", missing);
    leaveTo("cmdLogDirBrowse");
    EXPECT_EQ(box("txtLogPath")->text(), "");  // it held "" before that Browse

    // No opens the browser; a cancelled browser changes nothing.
    messages.answer = MsgAnswer::No;
    folders.answer.clear();
    paste("txtLogPath", missing);
    leaveTo("chkDiskNoLogDisabled");
    EXPECT_EQ(folders.titles.size(), 2);
    EXPECT_EQ(box("txtLogPath")->text(), missing);
    EXPECT_EQ(focus(), w<QWidget>("chkDiskNoLogDisabled"));

    // Yes makes every missing folder.
    messages.answer = MsgAnswer::Yes;
    paste("txtLogPath", missing);
    leaveTo("chkDiskNoLogDisabled");
    EXPECT_TRUE(QDir(missing).exists());
    EXPECT_EQ(box("txtLogPath")->text(), missing);
}

// A Linux path may be longer than 260 characters: Browse keeps it whole, and
// the box shows it whole in its tooltip while it does not fit.
TEST_F(OptionsDialogTest, BrowseKeepsTheWholePathAndTheTooltipShowsIt) {
    open();
    w<QTabWidget>("tabOptions")->setCurrentIndex(2);
    QLineEdit* path = box("txtLogPath");
    const QString deep = "/srv/" + QString(300, QLatin1Char('d')) + "/logs";
    folders.answer = deep;
    QTest::mouseClick(w<QPushButton>("cmdLogDirBrowse"), Qt::LeftButton);
    EXPECT_EQ(path->text(), deep);
    EXPECT_EQ(path->toolTip(), deep);

    path->setText("/tmp");
    EXPECT_EQ(path->toolTip(), "The folder of the log files.");
}

TEST_F(OptionsDialogTest, LogControlsFollowThePeriodAndTheMaximumTick) {
    struct Row {
        const char* option;
        bool ticked;
        bool pathEnabled;
        bool maxEnabled;
    };
    const Row rows[] = {
        {"optNoLogs", true, false, false},    {"optLogDaily", true, true, true},
        {"optLogDaily", false, true, false},  {"optNoLogs", false, false, false},
        {"optLogWeekly", false, true, false}, {"optLogWeekly", true, true, true},
    };
    open();
    for (const Row& row : rows) {
        w<QCheckBox>("chkDiskMaxLogFiles")->setChecked(row.ticked);
        w<QRadioButton>(row.option)->setChecked(true);
        for (const char* name :
             {"txtLogPath", "cmdLogDirBrowse", "chkDiskMaxLogFiles", "chkDiskNoLogDisabled"})
            EXPECT_EQ(w<QWidget>(name)->isEnabled(), row.pathEnabled) << row.option << " " << name;
        EXPECT_EQ(box("txtMaxLogFiles")->isEnabled(), row.maxEnabled) << row.option;
    }
}

TEST_F(OptionsDialogTest, OkSavesEveryBoxToMemoryAndRegistryRoundingHalvesToEven) {
    open();
    paste("txtTimerWarning", "5");
    paste("txtTimerInterval", "7.5");  // stays 7.5, saves 8
    paste("txtTimerWarning", "6.5");   // the point goes: 65
    EXPECT_EQ(box("txtTimerWarning")->text(), "65");
    EXPECT_EQ(messages.texts, QStringList{kWarningRange});
    box("txtTimerWarning")->setText("5");
    paste("txtMgrEmail", "boss@example.org");
    paste("txtMgrName", "Dana Boss");
    paste("txtSMTP", "mail.example.org");
    paste("txtSMTPPort", "");
    w<QRadioButton>("optLogWeekly")->setChecked(true);
    w<QCheckBox>("chkDiskMaxLogFiles")->setChecked(false);
    w<QCheckBox>("chkDiskNoLogDisabled")->setChecked(false);
    w<QRadioButton>("optCookieDisable")->setChecked(true);
    w<QCheckBox>("chkOfflineGuard")->setChecked(false);
    box("txtNetworkReference")->setText(" http://192.0.2.1/ ");
    clickOK();

    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(settings.TimerInterval, 8);
    EXPECT_EQ(settings.TimerWarning, 5);
    EXPECT_EQ(settings.ManagerEmail, "boss@example.org");
    EXPECT_EQ(settings.ManagerName, "Dana Boss");
    EXPECT_EQ(settings.ManagerSMTP, "mail.example.org");
    EXPECT_EQ(settings.ManagerSMTPPort, 0);  // no number in the box
    EXPECT_EQ(settings.LogPeriod, 2);
    EXPECT_EQ(settings.LogPath, logDir);
    EXPECT_EQ(settings.MaxLogFiles, 7);
    EXPECT_EQ(settings.DiskLogMaxFiles, 0);
    EXPECT_EQ(settings.DiskLogDisabled, 0);
    EXPECT_EQ(settings.AllowType, 2);

    EXPECT_EQ(storedNumber("\\Settings\\Timer", "Interval"), 8);
    EXPECT_EQ(storedNumber("\\Settings\\Timer", "Warning"), 5);
    EXPECT_EQ(storedText("\\Settings\\Manager", "Email"), "boss@example.org");
    EXPECT_EQ(storedText("\\Settings\\Manager", "Name"), "Dana Boss");
    EXPECT_EQ(storedText("\\Settings\\Manager", "SMTP"), "mail.example.org");
    EXPECT_EQ(storedNumber("\\Settings\\Manager", "SMTPPort"), 0);
    EXPECT_EQ(storedNumber("\\Settings\\Log", "LogPeriod"), 2);
    EXPECT_EQ(storedText("\\Settings\\Log", "LogPath"), logDir);
    EXPECT_EQ(storedNumber("\\Settings\\Log", "MaxLogFiles"), 7);
    EXPECT_EQ(storedNumber("\\Settings\\Log", "DiskLogMaxFiles"), 0);
    EXPECT_EQ(storedNumber("\\Settings\\Log", "DiskLogDisabled"), 0);
    EXPECT_EQ(storedNumber("\\Settings\\AllowCookie", "AllowType"), 2);
    EXPECT_EQ(settings.OfflineGuard, 0);
    EXPECT_EQ(storedNumber("\\Settings\\Network", "OfflineGuard"), 0);
    EXPECT_EQ(storedText("\\Settings\\Network", "Reference"), "http://192.0.2.1/");
}

TEST(OptionsNumbers, LeadingNumberRoundedHalfToEven) {
    struct Row {
        QString text;
        std::int32_t saved;
    };
    const Row rows[] = {
        {"7.5", 8},    {"6.5", 6},      {"2.5", 2}, {"0.5", 0},   {"1.5", 2},
        {"12abc", 12}, {" 30 min", 30}, {"", 0},    {"abc", 0},   {"-3.5", -4},
        {"1e2", 100},  {"1e", 1},       {".5x", 0}, {"587", 587}, {"99999999999", 2147483647}};
    for (const Row& row : rows)
        EXPECT_EQ(RoundHalfEven(LeadingNumber(row.text)), row.saved) << row.text.toStdString();
}

TEST_F(OptionsDialogTest, NextCheckMovesOnlyWhenATimerValueChanged) {
    struct Row {
        QString interval;
        QString warning;
        QString email;
        bool moved;
    };
    const Row rows[] = {
        {"60", "15", "boss@example.org", false},  // only the manager changed
        {"61", "15", "", true},
        {"60", "20", "", true},
        {"60.4", "15", "", false},  // rounds back to the opening value
    };
    for (const Row& row : rows) {
        settings.TimerInterval = 60;
        settings.TimerWarning = 15;
        timerChanges.clear();
        open();
        box("txtTimerInterval")->setText(row.interval);
        box("txtTimerWarning")->setText(row.warning);
        box("txtMgrEmail")->setText(row.email);
        w<QPushButton>("cmdOK")->setFocus();
        dialog->cmdOK_Click();
        EXPECT_FALSE(dialog->isVisible());
        const QList<QDateTime> expected =
            row.moved ? QList<QDateTime>{clock.now().addSecs(qint64(settings.TimerWarning) * 60)}
                      : QList<QDateTime>{};
        EXPECT_EQ(timerChanges, expected) << row.interval.toStdString();
    }
}

TEST_F(OptionsDialogTest, CancelAndEveryOtherCloseSaveNothing) {
    const Settings before = settings;
    for (int way = 0; way < 3; ++way) {
        open();
        box("txtTimerInterval")->setText("3");  // would be refused on leaving
        box("txtMgrName")->setText("Someone Else");
        w<QRadioButton>("optNoLogs")->setChecked(true);
        box("txtTimerInterval")->setFocus();
        messages.texts.clear();
        if (way == 0) QTest::mouseClick(w<QPushButton>("cmdCancel"), Qt::LeftButton);
        if (way == 1) QTest::keyClick(dialog.get(), Qt::Key_Escape);
        if (way == 2) dialog->close();
        EXPECT_EQ(messages.texts, QStringList()) << way;  // Cancel never checks the box
        EXPECT_FALSE(dialog->isVisible()) << way;
        EXPECT_EQ(closed, way + 1);
        EXPECT_EQ(settings.TimerInterval, before.TimerInterval);
        EXPECT_EQ(settings.ManagerName, before.ManagerName);
        EXPECT_EQ(settings.LogPeriod, before.LogPeriod);
        EXPECT_EQ(storedNumber("\\Settings\\Timer", "Interval"), 60);
        EXPECT_EQ(storedText("\\Settings\\Manager", "Name"), "<missing>");
        EXPECT_EQ(storedNumber("\\Settings\\Log", "LogPeriod"), 1);
    }
    EXPECT_TRUE(timerChanges.isEmpty());
}

// The box shows whether the desktop's autostart entry exists; OK writes or
// removes it, Cancel leaves it, and an entry already there is not rewritten.
TEST_F(OptionsDialogTest, StartAtLoginWritesAndRemovesTheAutostartEntry) {
    const QByteArray config = QByteArray::fromStdString(temp.dir().file("config"));
    const QByteArray configBefore = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config);
    const QString entry = QString::fromUtf8(config) + "/autostart/ossivant.desktop";
    auto readEntry = [&entry] {
        QFile file(entry);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    auto startAtLogin = [this] { return w<QCheckBox>("chkStartAtLogin"); };

    open();
    EXPECT_FALSE(startAtLogin()->isChecked());
    startAtLogin()->setChecked(true);
    clickOK();
    ASSERT_TRUE(QFileInfo::exists(entry));
    EXPECT_TRUE(readEntry().contains(
        "\nExec=" + QCoreApplication::applicationFilePath() + " --minimized\n"))
        << readEntry().toStdString();

    open();
    EXPECT_TRUE(startAtLogin()->isChecked());
    startAtLogin()->setChecked(false);
    QTest::mouseClick(w<QPushButton>("cmdCancel"), Qt::LeftButton);
    EXPECT_TRUE(QFileInfo::exists(entry));

    open();
    startAtLogin()->setChecked(false);
    clickOK();
    EXPECT_FALSE(QFileInfo::exists(entry));
    open();
    EXPECT_FALSE(startAtLogin()->isChecked());
    clickOK();

    // One the user wrote: shown as on, and kept by OK.
    const QString byHand = "[Desktop Entry]\nType=Application\nName=Ossivant\nExec=ossivant\n";
    {
        QFile file(entry);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(byHand.toUtf8());
    }
    open();
    EXPECT_TRUE(startAtLogin()->isChecked());
    clickOK();
    EXPECT_EQ(readEntry(), byHand);
    EXPECT_EQ(messages.texts, QStringList());
    qputenv("XDG_CONFIG_HOME", configBefore);
}

TEST_F(OptionsDialogTest, ARefusedBoxStopsTheOkThatLeftItAndKeepsThePage) {
    open();
    paste("txtTimerWarning", "5");
    paste("txtTimerInterval", "4");
    clickOK();
    EXPECT_EQ(messages.texts, QStringList{kIntervalAboveWarning});
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(focus(), box("txtTimerInterval"));
    EXPECT_EQ(box("txtTimerInterval")->text(), "6");
    EXPECT_EQ(storedNumber("\\Settings\\Timer", "Interval"), 60);

    // A refused box also keeps its page when another tab is clicked.
    box("txtTimerInterval")->setText("2000");
    messages.texts.clear();
    QTabBar* bar = w<QTabWidget>("tabOptions")->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    EXPECT_EQ(dialog->page(), 1);
    EXPECT_EQ(messages.texts, QStringList{kIntervalRange});
    EXPECT_EQ(box("txtTimerInterval")->text(), "1425");

    // Enter presses OK with the focus still in the box: the box is checked.
    box("txtTimerInterval")->setText("3000");
    messages.texts.clear();
    QTest::keyClick(box("txtTimerInterval"), Qt::Key_Return);
    EXPECT_EQ(messages.texts, QStringList{kIntervalRange});
    EXPECT_EQ(box("txtTimerInterval")->text(), "1425");
    EXPECT_TRUE(dialog->isVisible());

    // Now the box holds an accepted value: the next OK saves it.
    clickOK();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(storedNumber("\\Settings\\Timer", "Interval"), 1425);
    EXPECT_EQ(timerChanges.size(), 1);
}

TEST_F(OptionsDialogTest, TestAlertUsesTheBoxesWithoutSavingThem) {
    QList<Settings> sent;
    std::int32_t result = 0;
    open();
    dialog->setTestAlertSender([&](const Settings& s) {
        sent << s;
        return result;
    });
    paste("txtMgrEmail", "ops@example.org");
    paste("txtSMTP", "127.0.0.1");
    paste("txtSMTPPort", "2525");
    QTabWidget* tabs = w<QTabWidget>("tabOptions");
    tabs->setCurrentIndex(1);
    QTest::mouseClick(w<QPushButton>("cmdTestAlert"), Qt::LeftButton);
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent[0].ManagerEmail, "ops@example.org");
    EXPECT_EQ(sent[0].ManagerSMTP, "127.0.0.1");
    EXPECT_EQ(sent[0].ManagerSMTPPort, 2525);
    EXPECT_EQ(settings.ManagerEmail, "");
    EXPECT_EQ(storedText("\\Settings\\Manager", "SMTP"), "<missing>");
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].startsWith(
        "The test alert to ops@example.org was handed to the mail sender for 127.0.0.1, port "
        "2525."))
        << messages.texts[0].toStdString();
    EXPECT_TRUE(messages.texts[0].endsWith("in " + SendLogFolder() + "."));

    // A refused address stops the button's click.
    paste("txtMgrEmail", "ops");
    messages.texts.clear();
    QTest::mouseClick(w<QPushButton>("cmdTestAlert"), Qt::LeftButton);
    EXPECT_EQ(sent.size(), 1);
    EXPECT_EQ(messages.texts, QStringList{kInvalidEmail});

    struct Row {
        std::int32_t result;
        QString starts;
    };
    const Row rows[] = {
        {kSendEmailNotConfigured, "No test alert was sent: fill in both"},
        {kSendEmailNoHandOff, "No test alert was sent: the hand-off library libvb_quorvane3.so"},
        {6, "The hand-off of the test alert failed (error 6)."},
    };
    box("txtMgrEmail")->setText("ops@example.org");
    for (const Row& row : rows) {
        result = row.result;
        messages.texts.clear();
        dialog->cmdTestAlert_Click();
        ASSERT_EQ(messages.texts.size(), 1);
        EXPECT_TRUE(messages.texts[0].startsWith(row.starts)) << messages.texts[0].toStdString();
    }
}

// The whole flow from the main window's Options command.
class OptionsFromMainWindowTest : public MonitorTest {};

TEST_F(OptionsFromMainWindowTest, OptionsHoldTheMainWindowAndMoveTheNextCheck) {
    start();
    action("mE_Options")->trigger();
    frmOptions* options = app->options();
    ASSERT_NE(options, nullptr);
    EXPECT_TRUE(options->isVisible());
    EXPECT_FALSE(main().isEnabled());
    EXPECT_TRUE(options->isEnabled());
    EXPECT_NE(options->parentWidget(), &main());

    auto* interval = options->findChild<QLineEdit*>("txtTimerInterval");
    interval->setText("30");
    const QDateTime before = QDateTime::currentDateTime();
    QTest::mouseClick(options->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    EXPECT_FALSE(options->isVisible());
    EXPECT_TRUE(main().isEnabled());
    EXPECT_EQ(app->settings().TimerInterval, 30);
    const QDateTime next = app->engine().state().NextCheckTime;
    EXPECT_GE(next, before.addSecs(15 * 60 - 1));
    EXPECT_LE(next, QDateTime::currentDateTime().addSecs(15 * 60 + 1));
    // "h:nn:ss" and a lower-case am or pm, unlike the engine's own panel writes.
    const QTime t = next.time();
    EXPECT_EQ(main().panelText(2), QStringLiteral("Next: %1:%2:%3 %4")
                                       .arg(t.hour() % 12 == 0 ? 12 : t.hour() % 12)
                                       .arg(t.minute(), 2, 10, QLatin1Char('0'))
                                       .arg(t.second(), 2, 10, QLatin1Char('0'))
                                       .arg(t.hour() < 12 ? "am" : "pm"));

    // Opened again, it shows the saved value; Cancel gives the window back.
    action("mE_Options")->trigger();
    EXPECT_EQ(interval->text(), "30");
    EXPECT_FALSE(main().isEnabled());
    QTest::mouseClick(options->findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
    EXPECT_TRUE(main().isEnabled());
}

// A secret store that answers as a desktop with or without one would.
class FakeSecretStore final : public SecretStore {
public:
    explicit FakeSecretStore(bool running, std::optional<QString>* kept)
        : running_(running), kept_(kept) {}
    bool writePassword(const QString& password) override {
        if (running_) *kept_ = password;
        return running_;
    }
    std::optional<QString> readPassword() override { return running_ ? *kept_ : std::nullopt; }
    void deletePassword() override {
        if (running_) kept_->reset();
    }

private:
    bool running_;
    std::optional<QString>* kept_;
};

TEST_F(OptionsDialogTest, SecurityLoginAndPasswordAreStoredWhereTheyBelong) {
    for (const bool running : {true, false}) {
        std::optional<QString> kept;
        open();
        dialog->setSecretStore(std::make_unique<FakeSecretStore>(running, &kept));
        w<QTabWidget>("tabOptions")->setCurrentIndex(1);
        w<QComboBox>("cboSMTPSecurity")->setCurrentIndex(2);
        paste("txtSMTPUser", "ops@example.org");
        paste("txtSMTPPassword", QString::fromUtf8("p\xc3\xa4ss"));
        EXPECT_EQ(box("txtSMTPPassword")->echoMode(), QLineEdit::Password);
        clickOK();
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(storedNumber("\\Settings\\Manager", "SMTPSecurity"), 2);
        EXPECT_EQ(storedText("\\Settings\\Manager", "SMTPUser"), "ops@example.org");
        EXPECT_EQ(settings.ManagerSMTPPassword, QString::fromUtf8("p\xc3\xa4ss"));
        EXPECT_EQ(kept.has_value(), running);
        EXPECT_EQ(storedText("\\Settings\\Manager", "SMTPPassword"),
                  running ? "<missing>" : QString::fromUtf8("p\xc3\xa4ss"));

        // Opened again, the page shows the values and where the password is.
        dialog->Open();
        EXPECT_EQ(w<QComboBox>("cboSMTPSecurity")->currentText(), "SSL/TLS");
        EXPECT_EQ(box("txtSMTPPassword")->text(), QString::fromUtf8("p\xc3\xa4ss"));
        const QString place = w<QLabel>("lblPasswordPlace")->text();
        EXPECT_TRUE(running ? place.contains("secret store") : place.contains("settings file"))
            << place.toStdString();

        // An emptied password leaves neither place holding one.
        paste("txtSMTPPassword", "");
        clickOK();
        EXPECT_FALSE(kept.has_value());
        EXPECT_EQ(storedText("\\Settings\\Manager", "SMTPPassword"), "<missing>");
        dialog.reset();
    }
}

TEST_F(OptionsDialogTest, SubmissionPortsOfferTheirModeWithoutChangingIt) {
    open();
    w<QTabWidget>("tabOptions")->setCurrentIndex(1);
    auto* security = w<QComboBox>("cboSMTPSecurity");
    auto* hint = w<QLabel>("lblSecurityHint");
    struct Row {
        const char* port;
        int mode;
        QString hint;  // empty: no hint shown
    };
    const Row rows[] = {
        {"25", 0, ""},
        {"587", 0, "Port 587 usually takes STARTTLS."},
        {"465", 0, "Port 465 usually takes SSL/TLS."},
        {"465", 1, ""},
        {"587", 2, ""},
    };
    for (const Row& row : rows) {
        security->setCurrentIndex(row.mode);
        paste("txtSMTPPort", row.port);
        EXPECT_EQ(security->currentIndex(), row.mode) << row.port;
        EXPECT_EQ(hint->isVisible(), !row.hint.isEmpty()) << row.port << " " << row.mode;
        if (!row.hint.isEmpty()) {
            EXPECT_TRUE(hint->text().startsWith(row.hint)) << hint->text().toStdString();
        }
    }
    // Following the offer chooses the mode.
    security->setCurrentIndex(0);
    paste("txtSMTPPort", "465");
    emit hint->linkActivated("2");
    EXPECT_EQ(security->currentText(), "SSL/TLS");
    EXPECT_FALSE(hint->isVisible());
}

TEST_F(OptionsDialogTest, TestAlertSendsTheTypedSecurityAndLogin) {
    QList<Settings> sent;
    open();
    dialog->setTestAlertSender([&](const Settings& s) {
        sent << s;
        return 0;
    });
    paste("txtMgrEmail", "ops@example.org");
    paste("txtSMTP", "smtp.example.org");
    paste("txtSMTPPort", "587");
    w<QComboBox>("cboSMTPSecurity")->setCurrentIndex(1);
    paste("txtSMTPUser", "ops");
    paste("txtSMTPPassword", "secret");
    QTest::mouseClick(w<QPushButton>("cmdTestAlert"), Qt::LeftButton);
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(sent[0].ManagerSMTPSecurity, 1);
    EXPECT_EQ(sent[0].ManagerSMTPUser, "ops");
    EXPECT_EQ(sent[0].ManagerSMTPPassword, "secret");
    EXPECT_EQ(storedText("\\Settings\\Manager", "SMTPUser"), "<missing>");
}

}  // namespace
}  // namespace ossivant::test
