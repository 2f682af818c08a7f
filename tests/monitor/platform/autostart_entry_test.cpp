// The autostart entry's file and the Exec key it writes for the monitor.
#include "monitor/platform/autostart_entry.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include "tests/support/print_qstring.h"
#include "tests/support/temp_dir.h"

namespace ossivant::test {
namespace {

struct ExecRow {
    const char* name;
    const char* program;
    const char* exec;  // as it stands after "Exec=" in the file
};

class DesktopExecTest : public ::testing::TestWithParam<ExecRow> {};

TEST_P(DesktopExecTest, ReservedCharactersAreQuotedAndEscaped) {
    EXPECT_EQ(DesktopExecProgram(QString::fromUtf8(GetParam().program)),
              QString::fromUtf8(GetParam().exec));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DesktopExecTest,
    ::testing::Values(ExecRow{"Plain", "/usr/lib/ossivant/ossivant", "/usr/lib/ossivant/ossivant"},
                      ExecRow{"Blank", "/opt/my apps/ossivant", "\"/opt/my apps/ossivant\""},
                      ExecRow{"Percent", "/opt/100%/ossivant", "/opt/100%%/ossivant"},
                      ExecRow{"QuoteAndDollar", "/srv/a\"b$c/ossivant", "\"/srv/a\\\\\"b\\\\$c/ossivant\""},
                      ExecRow{"Backslash", "/srv/back\\slash/ossivant", "\"/srv/back\\\\\\\\slash/ossivant\""},
                      ExecRow{"Parentheses", "/srv/x(1)/ossivant", "\"/srv/x(1)/ossivant\""},
                      ExecRow{"NonAscii", "/home/zoë/bin/ossivant", "/home/zoë/bin/ossivant"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AutostartEntryTest, WriteMakesTheFolderAndRemoveTakesOnlyTheEntry) {
    TempDir dir;
    const AutostartEntry entry(QString::fromStdString(dir.file("config/autostart/ossivant.desktop")));
    EXPECT_FALSE(entry.exists());
    EXPECT_TRUE(entry.remove());  // nothing there is already the wanted state

    ASSERT_TRUE(entry.write("/opt/my apps/ossivant"));
    EXPECT_TRUE(entry.exists());
    QFile file(entry.path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("\nExec=\"/opt/my apps/ossivant\" --minimized\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("\nType=Application\n")) << text.toStdString();

    const QString validate = QStandardPaths::findExecutable("desktop-file-validate");
    if (!validate.isEmpty()) {
        QProcess check;
        check.start(validate, {entry.path()});
        ASSERT_TRUE(check.waitForFinished(30000));
        EXPECT_EQ(check.exitCode(), 0) << check.readAll().toStdString();
    }

    EXPECT_TRUE(entry.remove());
    EXPECT_FALSE(entry.exists());
    EXPECT_TRUE(QFile::exists(QString::fromStdString(dir.file("config/autostart"))));
}

TEST(AutostartEntryTest, AFolderThatCannotBeMadeIsAFailedWrite) {
    TempDir dir;
    {
        QFile blocker(QString::fromStdString(dir.file("config")));
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));  // a file where the folder would be
    }
    const AutostartEntry entry(QString::fromStdString(dir.file("config/autostart/ossivant.desktop")));
    EXPECT_FALSE(entry.write("/usr/lib/ossivant/ossivant"));
    EXPECT_FALSE(entry.exists());
}

}  // namespace
}  // namespace ossivant::test
