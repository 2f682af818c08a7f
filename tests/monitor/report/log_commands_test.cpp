// The Log menu's commands: which log reaches the viewer, with which
// arguments, and what the operator is told instead.
#include "monitor/report/log_commands.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "monitor/platform/registry.h"
#include "monitor/report/check_log.h"
#include "monitor/store/last_folder.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_engine_screen.h"
#include "tests/support/fake_file_dialogs.h"
#include "tests/support/print_qstring.h"
#include "tests/support/temp_registry.h"

namespace ossivant::test {
namespace {

// Word for word as the operator has always read it, the doubled word included.
const QString kHtmlQuestion = QStringLiteral("Do you wish to save the the log file as HTML?");
const QString kMissingViewer = kViewerMissing + QStringLiteral("\n\n") + kViewerMissingHint;

class LogCommandsTest : public ::testing::Test {
protected:
    LogCommandsTest() {
        QDir().mkpath(path("Logs"));
        QDir().mkpath(path("program folder"));
        settings.LogPath = path("Logs");
        settings.LogPeriod = 1;
        const QString shellFolders =
            QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
        access.CreateKey(reg::HKEY_CURRENT_USER, shellFolders);
        access.SetValue(reg::HKEY_CURRENT_USER, shellFolders, QStringLiteral("Desktop"),
                        path("Desktop"), kTypeString);
        installViewer();
    }

    QString path(const char* name) const {
        return QString::fromStdString(temp.dir().path().string()) + u'/' + QLatin1String(name);
    }
    QString viewer() const { return path("program folder") + QStringLiteral("/scrollet"); }
    void installViewer(QFileDevice::Permissions mode = QFileDevice::ReadOwner |
                                                       QFileDevice::WriteOwner |
                                                       QFileDevice::ExeOwner) {
        QFile file(viewer());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        file.setPermissions(mode);
    }
    QString writeLog(const char* name, const QByteArray& bytes) {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path(name);
    }
    QString remembered() {
        QString folder;
        access.GetValue(reg::HKEY_LOCAL_MACHINE, OssivantKey(QStringLiteral("\\Settings\\LastLoc")),
                        kHtmlLogFolder, folder);
        return folder;
    }

    TempRegistry temp;
    reg::Registry registry{temp.path()};
    RegistryAccess access{registry};
    Settings settings;
    FakeClock clock;
    CheckLog checkLog{settings, clock};
    RecordingMessages messages = Answering(MsgAnswer::No);
    ScriptedFileDialogs dialogs;
    RecordingLauncher launcher;
    LogCommands commands{
        {settings, checkLog, access, messages, dialogs, launcher, clock, path("program folder")}};
};

TEST_F(LogCommandsTest, OpenLogStartsTheViewerWithOneOrTwoArguments) {
    const QString log = writeLog("Logs/a log.ovl", "line\r\n");
    QDir().mkpath(path("Desktop/copies"));
    struct Row {
        const char* name;
        MsgAnswer htmlAnswer;
        QString savedAs;        // empty: the save dialog is cancelled
        QStringList arguments;  // empty: no viewer started
    };
    const Row rows[] = {
        {"no copy", MsgAnswer::No, {}, {log}},
        {"copy",
         MsgAnswer::Yes,
         path("Desktop/copies/log.htm"),
         {log, path("Desktop/copies/log.htm")}},
        {"copy cancelled", MsgAnswer::Yes, {}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        launcher.starts.clear();
        messages.texts.clear();
        dialogs.shown.clear();
        dialogs.openAnswers = QStringList{log};
        dialogs.saveAnswers = row.savedAs.isEmpty() ? QStringList() : QStringList{row.savedAs};
        messages.answer = row.htmlAnswer;
        commands.mnuLog_Open_Click();

        EXPECT_EQ(messages.texts, QStringList{kHtmlQuestion});
        ASSERT_GE(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].title, kOpenLogTitle);
        EXPECT_EQ(dialogs.shown[0].startFolder, settings.LogPath);
        EXPECT_EQ(dialogs.shown[0].filter, QStringLiteral("Ossivant Log File (*.ovl)"));
        EXPECT_EQ(dialogs.shown.size(), row.htmlAnswer == MsgAnswer::Yes ? 2u : 1u);
        if (row.arguments.isEmpty()) {
            EXPECT_TRUE(launcher.starts.empty());
        } else {
            ASSERT_EQ(launcher.starts.size(), 1u);
            EXPECT_EQ(launcher.starts[0].program, viewer());
            EXPECT_EQ(launcher.starts[0].arguments, row.arguments);
        }
    }
}

TEST_F(LogCommandsTest, HtmlCopyStartsOnTheDesktopThenInTheRememberedFolder) {
    const QString log = writeLog("Logs/week.ovl", "line\r\n");
    QDir().mkpath(path("Desktop"));
    QDir().mkpath(path("html"));
    messages.answer = MsgAnswer::Yes;
    dialogs.openAnswers = QStringList{log, log, log};
    dialogs.saveAnswers = QStringList{path("html/first.htm"), path("html/second.htm")};

    commands.mnuLog_Open_Click();
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].title, kSaveHtmlTitle);
    EXPECT_EQ(dialogs.shown[1].startFolder, path("Desktop"));
    EXPECT_EQ(dialogs.shown[1].suggestedName, QStringLiteral("OV_Log-20260314.htm"));
    EXPECT_EQ(dialogs.shown[1].filter, QStringLiteral("HTML File (*.htm *.html)"));
    EXPECT_EQ(remembered(), path("html"));

    commands.mnuLog_Open_Click();
    EXPECT_EQ(dialogs.shown.at(3).startFolder, path("html"));

    // A remembered folder that has gone is not offered.
    ASSERT_TRUE(QDir(path("html")).removeRecursively());
    commands.mnuLog_Open_Click();
    EXPECT_EQ(dialogs.shown.at(5).startFolder, settings.LogPath);
}

TEST_F(LogCommandsTest, NonTextLogsNeverReachTheViewer) {
    const std::pair<const char*, QByteArray> rows[] = {
        {"Logs/nul.ovl", QByteArray(1, '\0') + "line\r\n"},
        {"Logs/del.ovl", QByteArray("line\x7f\r\n")},
    };
    for (const auto& [name, bytes] : rows) {
        messages.texts.clear();
        dialogs.openAnswers = QStringList{writeLog(name, bytes)};
        commands.mnuLog_Open_Click();
        EXPECT_EQ(messages.texts, QStringList{kLogFileCorrupt}) << name;
    }
    // Control bytes past the first 256 are not looked at.
    dialogs.openAnswers = QStringList{writeLog("Logs/late.ovl", QByteArray(300, 'a') + '\x01')};
    commands.mnuLog_Open_Click();
    EXPECT_EQ(launcher.starts.size(), 1u);
    // Cancel ends it quietly.
    messages.texts.clear();
    commands.mnuLog_Open_Click();
    EXPECT_TRUE(messages.texts.isEmpty());
    EXPECT_EQ(launcher.starts.size(), 1u);
}

TEST_F(LogCommandsTest, MissingViewerIsToldAndNothingStarts) {
    const QString log = writeLog("Logs/a.ovl", "line\r\n");
    struct Row {
        const char* name;
        bool present;
        bool executable;
        bool starts;
    };
    const Row rows[] = {
        {"absent", false, false, true},
        {"not executable", true, false, true},
        {"start fails", true, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(viewer());
        if (row.present)
            installViewer(row.executable ? QFileDevice::ReadOwner | QFileDevice::ExeOwner
                                         : QFileDevice::ReadOwner);
        launcher.result = row.starts;
        messages.texts.clear();
        dialogs.openAnswers = QStringList{log};
        commands.mnuLog_Open_Click();
        EXPECT_EQ(messages.texts, (QStringList{kHtmlQuestion, kMissingViewer}));
    }
}

TEST_F(LogCommandsTest, ViewCurrentLog) {
    // Missing: the operator may pick another log instead.
    messages.answer = MsgAnswer::No;
    commands.mnuLogs_ViewCur_Click();
    const QString missing = kCurrentLogMissing + QStringLiteral("\n\n") + kOpenPreviousLogs;
    EXPECT_EQ(messages.texts, QStringList{missing});
    EXPECT_TRUE(dialogs.shown.empty());

    messages.answer = MsgAnswer::Yes;
    commands.mnuLogs_ViewCur_Click();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, kOpenLogTitle);
    EXPECT_TRUE(launcher.starts.empty());

    // Present: shown alone, with no question.
    checkLog.GetLogFileName(false);
    ASSERT_FALSE(checkLog.LogFileName().isEmpty());
    QFile current(checkLog.LogFileName());
    ASSERT_TRUE(current.open(QIODevice::WriteOnly));
    current.close();
    messages.texts.clear();
    commands.mnuLogs_ViewCur_Click();
    EXPECT_TRUE(messages.texts.isEmpty());
    ASSERT_EQ(launcher.starts.size(), 1u);
    EXPECT_EQ(launcher.starts[0].program, viewer());
    EXPECT_EQ(launcher.starts[0].arguments, QStringList{checkLog.LogFileName()});
}

}  // namespace
}  // namespace ossivant::test
