#include "scrollet/check_log_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <fstream>

#include "tests/support/print_qstring.h"
#include "tests/support/temp_dir.h"

namespace ossivant::scrollet {
namespace {

TEST(ScrolletReaderTest, DataLineFields) {
    struct Row {
        const char* line;
        const char* checkStart;
        const char* site;
        const char* result;
        qint64 elapsed;
        const char* notes;
        int style;
    };
    const Row rows[] = {
        {"7 Dec 2026 09:05:03,http://a.example,Site OK,4,,1", "7 Dec 2026 09:05:03",
         "http://a.example", "Site OK", 4, "", 1},
        // Commas in the notes stay in the notes.
        {"7 Dec 2026 09:05:03,http://a.example,Site OK,0,slow, then fast, 3 tries,2",
         "7 Dec 2026 09:05:03", "http://a.example", "Site OK", 0, "slow, then fast, 3 tries", 2},
        // A comma in the result text moves the elapsed field to the right.
        {"d,http://a.example,Failed, refused,75,n,2", "d", "http://a.example", "Failed, refused",
         75, "n", 2},
        {"d,(1) http://a<BR>(2) http://10.0.0.1,(1) x<BR>(2) y,3725,"
         "<SPAN class=\"Emphasis\">IP Double Check</SPAN>,4",
         "d", "(1) http://a<BR>(2) http://10.0.0.1", "(1) x<BR>(2) y", 3725,
         "<SPAN class=\"Emphasis\">IP Double Check</SPAN>", 4},
        {"d,http://a,r,0,,0", "d", "http://a", "r", 0, "", 0},
        {"d,http://a,r,0,,-1", "d", "http://a", "r", 0, "", -1},
        {"d,,,0,,3", "d", "", "", 0, "", 3},
    };
    for (const Row& r : rows) {
        DataLine line;
        ASSERT_TRUE(ParseDataLine(QString::fromUtf8(r.line), &line)) << r.line;
        EXPECT_EQ(line.checkStart, r.checkStart) << r.line;
        EXPECT_EQ(line.siteLabel, r.site) << r.line;
        EXPECT_EQ(line.resultText, r.result) << r.line;
        EXPECT_EQ(line.elapsedSeconds, r.elapsed) << r.line;
        EXPECT_EQ(line.notes, r.notes) << r.line;
        EXPECT_EQ(line.htmlStyle, r.style) << r.line;
    }
}

TEST(ScrolletReaderTest, LinesThatAreNoDataLines) {
    const char* rows[] = {
        "d,http://a,r,0,1",           // five fields
        "d,http://a,r,0,,x",          // style not a number
        "d,http://a,r,0,, 1",         // style with a blank
        "d,http://a,r,0,,99999",      // style beyond 16 bits
        "d,http://a,r,soon,notes,1",  // no elapsed seconds
        ",http://a,r,0,,1",           // no check time
        "7 Dec 2026 09:00:3",         // cut short
        "[START CHECK: MANUAL - ]",   // start without time
        "[START CHECK: WEEKLY - 1 Jan 2026 00:00:00]",
        "[START CHECK: AUTO - 1 Jan 2026 00:00:00",
    };
    for (const char* r : rows) {
        DataLine line;
        EXPECT_FALSE(ParseDataLine(QString::fromUtf8(r), &line)) << r;
        const ParsedLog log = ParseCheckLog(QByteArray(r) + "\r\n");
        EXPECT_EQ(log.logLines, 0) << r;
        EXPECT_EQ(log.damagedLines, 1) << r;
        ASSERT_EQ(log.cycles.size(), 1u) << r;
        ASSERT_EQ(log.cycles[0].entries.size(), 1u) << r;
        EXPECT_TRUE(log.cycles[0].entries[0].damaged) << r;
        EXPECT_EQ(log.cycles[0].entries[0].rawText, QString::fromUtf8(r)) << r;
    }
}

const char kLog[] =
    "d0,http://early.example,Site OK,0,,1\n"
    "[START CHECK: MANUAL - 7 Dec 2026 09:00:00]\n"
    "d1,http://a.example,Site OK,1,,1\n"
    "garbage here\n"
    "\n"
    "d2,http://b.example,Gr\xc3\xbc\xc3\x9f"
    "e,2,,4\n"
    "[END CHECK]\n"
    "[END CHECK]\n"
    "[START CHECK: AUTO - 7 Dec 2026 09:15:00]\n"
    "d3,http://a.example,Site OK,0,,1\n"
    "[START CHECK: AUTO - 7 Dec 2026 09:30:00]\n"
    "[END CHECK]\n"
    "d4,http://late.example,Site OK,0,,1";

void ExpectStructureOfTheSampleLog(const ParsedLog& log) {
    EXPECT_EQ(log.logLines, 10);
    EXPECT_EQ(log.damagedLines, 2);
    ASSERT_EQ(log.cycles.size(), 6u);

    // Before the first start line.
    EXPECT_EQ(log.cycles[0].kind, CycleKind::Unstarted);
    ASSERT_EQ(log.cycles[0].entries.size(), 1u);
    EXPECT_EQ(log.cycles[0].entries[0].data.siteLabel, "http://early.example");

    const CheckCycle& manual = log.cycles[1];
    EXPECT_EQ(manual.kind, CycleKind::Manual);
    EXPECT_EQ(manual.startTime, "7 Dec 2026 09:00:00");
    EXPECT_TRUE(manual.ended);
    ASSERT_EQ(manual.entries.size(), 3u);
    EXPECT_FALSE(manual.entries[0].damaged);
    EXPECT_TRUE(manual.entries[1].damaged);
    EXPECT_EQ(manual.entries[1].lineNumber, 4);
    EXPECT_EQ(manual.entries[1].rawText, "garbage here");
    EXPECT_EQ(manual.entries[2].data.resultText, QString::fromUtf8("Gr\u00fc\u00dfe"));
    EXPECT_EQ(manual.entries[2].lineNumber, 6);

    // A second end line closes nothing and is shown as damaged.
    EXPECT_EQ(log.cycles[2].kind, CycleKind::Unstarted);
    ASSERT_EQ(log.cycles[2].entries.size(), 1u);
    EXPECT_TRUE(log.cycles[2].entries[0].damaged);
    EXPECT_EQ(log.cycles[2].entries[0].rawText, "[END CHECK]");

    // A cycle cut off by the next start line has no end.
    EXPECT_EQ(log.cycles[3].kind, CycleKind::Automatic);
    EXPECT_FALSE(log.cycles[3].ended);
    EXPECT_EQ(log.cycles[3].entries.size(), 1u);
    EXPECT_TRUE(log.cycles[4].ended);
    EXPECT_TRUE(log.cycles[4].entries.empty());

    // After the last end line, without a line end of its own.
    EXPECT_EQ(log.cycles[5].kind, CycleKind::Unstarted);
    ASSERT_EQ(log.cycles[5].entries.size(), 1u);
    EXPECT_EQ(log.cycles[5].entries[0].data.siteLabel, "http://late.example");
}

TEST(ScrolletReaderTest, CyclesWithLfOrCrLf) {
    const QByteArray lf(kLog);
    QByteArray crlf = lf;
    crlf.replace("\n", "\r\n");
    ExpectStructureOfTheSampleLog(ParseCheckLog(lf));
    ExpectStructureOfTheSampleLog(ParseCheckLog(crlf));
}

TEST(ScrolletReaderTest, LinesAcrossReadBlocksKeepTheirNumbersAndTexts) {
    test::TempDir dir;
    QByteArray bytes = "[START CHECK: AUTO - t]\r\n";
    constexpr int kLines = 20'000;
    const QByteArray damaged(600'000, 'x');  // longer than a block
    for (int n = 0; n < kLines; ++n) {
        bytes += "d,http://s" + QByteArray::number(n) + ".example," + QByteArray(n % 97, 'r') +
                 ",0,,1\r\n";
        if (n == kLines / 2) bytes += damaged + "\n";
    }
    bytes += "[END CHECK]";  // no line end
    const QString path = QString::fromStdString(dir.file("W.ovl"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();

    const LoadedLog loaded = LoadCheckLog(path);
    ASSERT_TRUE(loaded.ok) << loaded.error.toStdString();
    ASSERT_EQ(loaded.log.cycles.size(), 1u);
    EXPECT_TRUE(loaded.log.cycles[0].ended);
    const auto& entries = loaded.log.cycles[0].entries;
    ASSERT_EQ(entries.size(), std::size_t(kLines) + 1);
    int line = 2;
    int n = 0;
    for (const LogEntry& entry : entries) {
        ASSERT_EQ(entry.lineNumber, line++);
        if (entry.damaged) {
            EXPECT_EQ(entry.rawText.size(), damaged.size());
            continue;
        }
        ASSERT_EQ(entry.data.siteLabel, QStringLiteral("http://s%1.example").arg(n));
        ASSERT_EQ(entry.data.resultText.size(), n % 97) << n;
        ++n;
    }
    EXPECT_EQ(loaded.log.damagedLines, 1);
}

TEST(ScrolletReaderTest, BinaryTestLooksAtTheFirst256Bytes) {
    struct Row {
        QByteArray bytes;
        bool binary;
    };
    const QByteArray text(300, 'a');
    const Row rows[] = {
        {QByteArray(), false},
        {"a\tb\r\nc\n", false},
        {QByteArray(1, '\0') + "abc", true},
        {text.left(255) + '\x7f', true},
        {text.left(100) + '\x1b', true},
        {text.left(256) + '\0', false},
        {"Gr\xc3\xbc\xc3\x9f"
         "e",
         false},
    };
    for (const Row& r : rows) EXPECT_EQ(LooksBinary(r.bytes), r.binary) << r.bytes.toHex().data();
}

TEST(ScrolletReaderTest, FilesThatAreNoCheckLog) {
    test::TempDir dir;
    auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(dir.file(name), std::ios::binary) << bytes;
        return QString::fromStdString(dir.file(name));
    };
    struct Row {
        QString path;
        const char* reason;
    };
    const Row rows[] = {
        {QString::fromStdString(dir.file("missing.ovl")), "no such file"},
        {QString::fromStdString(dir.path().string()), "is a folder"},
        {write("empty.ovl", ""), "it is empty"},
        {write("blank.ovl", "\r\n\r\n"), "it is empty"},
        {write("binary.ovl", std::string("\x89PNG\r\n\x1a\n\0\0", 10)), "binary data"},
        {write("notes.txt", "shopping list\r\nmilk, eggs\r\n"), "none of its lines"},
    };
    for (const Row& r : rows) {
        const LoadedLog loaded = LoadCheckLog(r.path);
        EXPECT_FALSE(loaded.ok) << r.path.toStdString();
        EXPECT_TRUE(loaded.error.startsWith(r.path)) << loaded.error.toStdString();
        EXPECT_TRUE(loaded.error.contains(QLatin1StringView(r.reason)))
            << loaded.error.toStdString();
        EXPECT_FALSE(loaded.error.contains(u'\n'));
    }

    const QString good = write("good.ovl", "junk\r\n[END CHECK]\r\n");
    EXPECT_FALSE(LoadCheckLog(good).ok) << "a stray end line alone is no log";
    write("good.ovl", "junk\r\n[START CHECK: AUTO - t]\r\n");
    const LoadedLog loaded = LoadCheckLog(good);
    EXPECT_TRUE(loaded.ok);
    EXPECT_EQ(loaded.log.damagedLines, 1);
}

TEST(ScrolletReaderTest, UnreadableFile) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads any file";
    test::TempDir dir;
    std::ofstream(dir.file("locked.ovl")) << "[END CHECK]\r\n";
    chmod(dir.file("locked.ovl").c_str(), 0);
    const LoadedLog loaded = LoadCheckLog(QString::fromStdString(dir.file("locked.ovl")));
    EXPECT_FALSE(loaded.ok);
    EXPECT_TRUE(loaded.error.contains(QLatin1StringView("cannot be read")));
}

}  // namespace
}  // namespace ossivant::scrollet
