// Runs the built viewer as the monitor starts it.
#include <gtest/gtest.h>

#include <QFile>
#include <fstream>
#include <string>

#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"

namespace ossivant::test {
namespace {

// Without any display: the HTML copy is made where there is none.
ProgramRun RunScrollet(const QStringList& arguments) {
    return RunWithoutDisplay(QStringLiteral(SCROLLET_PROGRAM), arguments);
}

QString Write(const TempDir& dir, const std::string& name, const std::string& bytes) {
    std::ofstream(dir.file(name), std::ios::binary) << bytes;
    return QString::fromStdString(dir.file(name));
}

TEST(ScrolletProgramTest, TwoArgumentsWriteTheHtmlCopy) {
    TempDir dir;
    const QString log =
        Write(dir, "D-20261207.ovl",
              "[START CHECK: AUTO - 7 Dec 2026 09:00:00]\r\n"
              "7 Dec 2026 09:00:00,http://<script>alert(1)</script>,Failed,3,a, b,2\r\n"
              "[END CHECK]\r\n");
    const QString html = QString::fromStdString(dir.file("OV_Log-20261207.htm"));
    const ProgramRun run = RunScrollet({log, html});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    QFile file(html);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray page = file.readAll();
    EXPECT_TRUE(page.startsWith("<!DOCTYPE html>\n"));
    EXPECT_TRUE(page.contains("<td>http://&lt;script&gt;alert(1)&lt;/script&gt;</td>"));
    EXPECT_TRUE(page.contains("<td>a, b</td>"));
    EXPECT_FALSE(page.contains("<script"));
}

TEST(ScrolletProgramTest, LogsThatCannotBeShownEndWithOneErrorLine) {
    TempDir dir;
    struct Row {
        QString log;
        const char* reason;
    };
    const Row rows[] = {
        {QString::fromStdString(dir.file("missing.ovl")), "no such file"},
        {Write(dir, "binary.ovl",
               std::string("\x7f"
                           "ELF\x02\x01\x01\0\0\0",
                           10)),
         "binary data"},
        {Write(dir, "empty.ovl", ""), "empty"},
        {Write(dir, "letter.txt", "Dear reader,\r\nthis is no log.\r\n"), "none of its lines"},
        {QString::fromStdString(dir.path().string()), "folder"},
    };
    const QString html = QString::fromStdString(dir.file("out.htm"));
    for (const Row& r : rows) {
        const ProgramRun run = RunScrollet({r.log, html});
        EXPECT_EQ(run.exitCode, 1) << r.reason;
        EXPECT_TRUE(run.err.startsWith("scrollet: " + r.log.toUtf8())) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(r.reason)) << run.err.toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.endsWith('\n'));
        EXPECT_FALSE(QFile::exists(html)) << r.reason;
    }
}

TEST(ScrolletProgramTest, HtmlCopyThatCannotBeWritten) {
    TempDir dir;
    const QString log = Write(dir, "D.ovl", "[START CHECK: AUTO - t]\r\n[END CHECK]\r\n");
    const QString html = QString::fromStdString(dir.file("no-such-folder/out.htm"));
    const ProgramRun run = RunScrollet({log, html});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.startsWith("scrollet: " + html.toUtf8() + " cannot be written"))
        << run.err.toStdString();
    EXPECT_EQ(run.err.count('\n'), 1);
}

TEST(ScrolletProgramTest, WrongNumberOfArgumentsShowsUsage) {
    for (const QStringList& arguments : {QStringList{}, QStringList{"a", "b", "c"}}) {
        const ProgramRun run = RunScrollet(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.size();
        EXPECT_EQ(run.err, "usage: scrollet LOG-FILE [HTML-FILE]\n");
    }
}

}  // namespace
}  // namespace ossivant::test
