// The site list data file: line format, text check, and export/import
// against temporary registries.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDir>
#include <QFile>

#include "monitor/store/site_list_file.h"
#include "tests/monitor/store/site_list_station.h"
#include "tests/support/print_qstring.h"

namespace ossivant::test {
namespace {

struct ParseRow {
    const char* name;
    const char* line;
    std::int32_t result;
    const char* url;
    const char* ip;
    int status;
    int enabled;
    int timeOut;
};

void PrintTo(const ParseRow& row, std::ostream* os) {
    *os << row.name;
}

class ParseSiteLineTest : public ::testing::TestWithParam<ParseRow> {};

TEST_P(ParseSiteLineTest, ReadsFieldsAndAppliesDefaults) {
    const ParseRow& row = GetParam();
    SiteRecord record;
    record.Comments = QStringLiteral("left over");
    ASSERT_EQ(ParseSiteLine(QString::fromUtf8(row.line), record), row.result);
    if (row.result != kLineUsable) return;
    EXPECT_EQ(record.URL, QString::fromUtf8(row.url));
    EXPECT_EQ(record.IP, QString::fromUtf8(row.ip));
    EXPECT_EQ(record.Status, row.status);
    EXPECT_EQ(record.Enabled, row.enabled);
    EXPECT_EQ(record.TimeOut, row.timeOut);
    EXPECT_TRUE(record.Comments.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseSiteLineTest,
    ::testing::Values(
        ParseRow{"Plain", "www.a.example,10.0.0.1,1,1,60", 0, "www.a.example", "10.0.0.1", 1, 1,
                 60},
        ParseRow{"ZerosBecomeDefaults", "www.a.example,,0,5,0", 0, "www.a.example", "", 1, 1, 60},
        ParseRow{"ThreeIpParts", "www.a.example,10.0.0,1,1,60", 2, "", "", 0, 0, 0},
        ParseRow{"FiveIpParts", "www.a.example,10.0.0.1.7,2,0,30", 0, "www.a.example", "10.0.0.1.7",
                 2, 0, 30},
        ParseRow{"IpPieceNotNumber", "www.a.example,10.0.x.1,1,1,60", 2, "", "", 0, 0, 0},
        ParseRow{"IpWithoutRangeCheck", "www.a.example,300.1.1.1,1,1,60", 0, "www.a.example",
                 "300.1.1.1", 1, 1, 60},
        ParseRow{"SixFieldsLastWins", "www.a.example,,1,1,30,45", 0, "www.a.example", "", 1, 1, 45},
        ParseRow{"TrailingComma", "www.a.example,,3,1,20,", 0, "www.a.example", "", 3, 1, 20},
        ParseRow{"FourFields", "www.a.example,,2,0", 0, "www.a.example", "", 2, 0, 60},
        ParseRow{"BlanksAroundFields", " www.a.example , 10.0.0.1 , 2 , 1 , 15 ", 0,
                 "www.a.example", "10.0.0.1", 2, 1, 15},
        ParseRow{"LeadingNumbers", "www.a.example,,2x,1,90s", 0, "www.a.example", "", 2, 1, 90},
        ParseRow{"NegativeTimeOut", "www.a.example,,1,1,-5", 0, "www.a.example", "", 1, 1, 60},
        ParseRow{"IpOnly", ",10.0.0.1,1,1,30", 0, "", "10.0.0.1", 1, 1, 30},
        ParseRow{"NoUrlNoIp", ",,1,1,30", 1, "", "", 0, 0, 0},
        ParseRow{"EmptyLine", "", 1, "", "", 0, 0, 0},
        ParseRow{"StatusBeyondByte", "www.a.example,,300,1,60", 3, "", "", 0, 0, 0},
        ParseRow{"EnabledNegative", "www.a.example,,1,-1,60", 3, "", "", 0, 0, 0},
        ParseRow{"TimeOutBeyondInt32", "www.a.example,,1,1,99999999999", 3, "", "", 0, 0, 0},
        ParseRow{"OnlyLastTimeOutMustFit", "www.a.example,,1,1,99999999999,30", 0, "www.a.example",
                 "", 1, 1, 30}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParseSiteLineTest, LineOfTwoMillionCommasParsesInOnePass) {
    // Read field by field, it would take minutes.
    const QString line = QStringLiteral("www.a.example,10.0.0.1,2,1") +
                         QString(2 * 1024 * 1024, u',') + QStringLiteral("45");
    SiteRecord record;
    ASSERT_EQ(ParseSiteLine(line, record), kLineUsable);
    EXPECT_EQ(record.URL, QStringLiteral("www.a.example"));
    EXPECT_EQ(record.IP, QStringLiteral("10.0.0.1"));
    EXPECT_EQ(record.Status, 2);
    EXPECT_EQ(record.TimeOut, 45);
}

TEST(IsValidIPTest, NeedsFourNumericPieces) {
    const std::pair<const char*, bool> rows[] = {
        {"10.0.0.1", true},  {" 10.0.0.1 ", true}, {"10.0.0.1.", true}, {"1.2.3.4.5.6", true},
        {"999.0.0.1", true}, {"10.0.0", false},    {"10..0.1", false},  {"", false},
        {"   ", false},      {"a.b.c.d", false},   {"10.0.0.1x", false}};
    for (const auto& [text, valid] : rows)
        EXPECT_EQ(IsValidIP(QString::fromUtf8(text)), valid) << text;
}

TEST(IsBinaryFileTest, LooksAtTheFirst256BytesOnly) {
    TempDir dir;
    struct Row {
        const char* name;
        QByteArray bytes;
        std::int32_t binary;
    };
    const QByteArray text300(300, 'a');
    const Row rows[] = {
        {"empty", QByteArray(), 0},
        {"text", QByteArray("a.example,,1,1,60\r\n\tb.example,,1,1,60\n"), 0},
        {"utf8", QByteArray("caf\xc3\xa9.example,,1,1,60\r\n"), 0},
        {"soh_at_0",
         QByteArray("\x01"
                    "a.example"),
         1},
        {"nul_at_0", QByteArray(1, '\0') + "a.example", 1},
        {"del_at_255", QByteArray(255, 'a') + '\x7f', 1},
        {"soh_at_300", text300 + '\x01', 0},
        {"del_at_256", QByteArray(256, 'a') + '\x7f', 0},
        {"escape", QByteArray("a\x1b[0m"), 1},
    };
    for (const Row& row : rows) {
        const QString path = QString::fromStdString(dir.file(row.name));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(row.bytes);
        file.close();
        EXPECT_EQ(IsBinaryFile(path), row.binary) << row.name;
    }
    EXPECT_EQ(IsBinaryFile(QString::fromStdString(dir.file("missing"))), 1);
    EXPECT_EQ(IsBinaryFile(QString::fromStdString(dir.path().string())), 1);
}

TEST(SiteListExportTest, WritesEveryLineWithCrLfAndRemembersTheFolder) {
    Station s;
    s.add(" www.b.example ", "10.0.0.2", 3, 0, 45, "down");
    s.add("www.a.example", "", 1, 1, 60);
    QDir(s.desktop()).mkdir(QStringLiteral("out"));
    s.dialogs.saveAnswers << s.file("out/list.ovd");
    s.transfer.ExportList();

    EXPECT_EQ(ReadAll(s.file("out/list.ovd")),
              QByteArray("www.b.example,10.0.0.2,3,0,45\r\nwww.a.example,,1,1,60\r\n"));
    ASSERT_EQ(s.dialogs.shown.size(), 1u);
    EXPECT_EQ(s.dialogs.shown[0].title, kExportTitle);
    EXPECT_EQ(s.dialogs.shown[0].startFolder, s.desktop());
    EXPECT_EQ(s.dialogs.shown[0].suggestedName, QStringLiteral("OVList-20260314.ovd"));
    EXPECT_EQ(s.dialogs.shown[0].filter, QStringLiteral("Ossivant Data File (*.ovd)"));
    EXPECT_EQ(s.remembered(), s.file("out"));
    EXPECT_EQ(s.messages.texts, QStringList{kExported});
    EXPECT_EQ(s.screen.captions, QStringList{kExportCaption});
    EXPECT_EQ(s.screen.texts, QStringList{kExporting});
    EXPECT_EQ(s.screen.last, 2);
    EXPECT_FALSE(s.screen.held);

    // The next export starts in the remembered folder.
    s.dialogs.saveAnswers << s.file("again.ovd");
    s.transfer.ExportList();
    EXPECT_EQ(s.dialogs.shown.at(1).startFolder, s.file("out"));
}

TEST(SiteListExportTest, NameWithoutExtensionAsksAgainWithItAppended) {
    Station s;
    s.dialogs.saveAnswers << s.file("list") << s.file("list.OVD");
    s.transfer.ExportList();
    ASSERT_EQ(s.dialogs.shown.size(), 2u);
    EXPECT_EQ(s.dialogs.shown[1].startFolder, s.desktop());
    EXPECT_EQ(s.dialogs.shown[1].suggestedName, QStringLiteral("list.ovd"));
    // An empty table gives an empty file and the usual message.
    EXPECT_EQ(ReadAll(s.file("list.OVD")), QByteArray());
    EXPECT_FALSE(QFile::exists(s.file("list")));
    EXPECT_EQ(s.messages.texts, QStringList{kExported});
}

TEST(SiteListExportTest, CancelAndUnwritableFolder) {
    Station s;
    s.add("www.a.example", "", 1, 1, 60);
    s.dialogs.saveAnswers << s.file("list");  // then cancelled with ".ovd" offered
    s.transfer.ExportList();
    EXPECT_EQ(s.dialogs.shown.size(), 2u);
    EXPECT_TRUE(s.messages.texts.isEmpty());
    EXPECT_EQ(s.screen.holds, 0);
    EXPECT_TRUE(s.remembered().isEmpty());

    const QString nowhere = s.file("no-such-folder/list.ovd");
    s.dialogs.saveAnswers << nowhere;
    s.transfer.ExportList();
    EXPECT_EQ(s.messages.texts, QStringList{kExportFailed.arg(nowhere)});
    EXPECT_FALSE(s.screen.held);
}

TEST(SiteListImportTest, RoundTripReplacesExistingSites) {
    Station from;
    from.add("www.a.example", "10.0.0.1", 2, 1, 30);
    from.add("www.b.example", "", 3, 0, 90);
    from.add("www.c.example", "10.0.0.3", 1, 1, 60);
    from.dialogs.saveAnswers << from.file("sites.ovd");
    from.transfer.ExportList();

    Station to;
    to.add("www.z.example", "", 1, 1, 60, "kept");
    to.add("WWW.B.example", "10.9.9.9", 1, 1, 10, "old");
    to.dialogs.openAnswers << from.file("sites.ovd");
    to.messages.answer = MsgAnswer::Yes;
    to.transfer.ImportList();

    EXPECT_EQ(to.messages.texts, QStringList{kReplaceQuestion});
    // Sites not in the file keep their place; the imported ones follow, in
    // the store's order for keys of equal Index.
    QStringList stored = to.stored();
    ASSERT_EQ(stored.size(), 4);
    EXPECT_EQ(stored.takeFirst(), QStringLiteral("www.z.example||1|1|60|kept"));
    stored.sort();
    EXPECT_EQ(stored.join(u'\n'), QStringLiteral("www.a.example|10.0.0.1|2|1|30|Import New\n"
                                                 "www.b.example||3|0|90|Import Replace\n"
                                                 "www.c.example|10.0.0.3|1|1|60|Import New"));
    EXPECT_EQ(to.sites.SiteCount(), 4);
    EXPECT_EQ(to.sites[1].Comments, QStringLiteral("kept"));
    EXPECT_EQ(to.screen.clears, 1);
    EXPECT_EQ(to.screen.refills, 1);
    EXPECT_EQ(to.screen.captions, QStringList{kImportCaption});
    EXPECT_EQ(to.screen.texts, (QStringList{kPreparingImport, kImporting}));
    EXPECT_EQ(to.screen.last, 3);
    EXPECT_FALSE(to.screen.held);
    EXPECT_EQ(to.remembered(), from.desktop());
    EXPECT_EQ(to.dialogs.shown.at(0).title, kImportTitle);
    EXPECT_EQ(to.dialogs.shown.at(0).startFolder, to.desktop());
}

TEST(SiteListImportTest, RoundTripAddOnlyKeepsExistingSites) {
    Station from;
    from.add("www.a.example", "10.0.0.1", 2, 1, 30);
    from.add("www.b.example", "", 3, 0, 90);
    from.dialogs.saveAnswers << from.file("sites.ovd");
    from.transfer.ExportList();

    Station to;
    to.add("www.b.example", "10.9.9.9", 1, 1, 10, "old");
    to.dialogs.openAnswers << from.file("sites.ovd");
    to.messages.answer = MsgAnswer::No;
    to.transfer.ImportList();

    EXPECT_EQ(to.stored().join(u'\n'), QStringLiteral("www.b.example|10.9.9.9|1|1|10|\n"
                                                      "www.a.example|10.0.0.1|2|1|30|Import New"));
}

TEST(SiteListImportTest, EmptyListIsNotAskedAndBadLinesAreSkipped) {
    Station s;
    WriteAll(s.file("mixed.ovd"),
             "www.a.example,,0,5,0\r\n"
             "\r\n"
             "   \r\n"
             "www.bad.example,10.0.0,1,1,60\r\n"
             ",,1,1,60\r\n"
             ",10.0.0.7,1,1,60\r\n"
             "www.b.example,10.0.0.1.5,2,1,30,45");
    s.dialogs.openAnswers << s.file("mixed.ovd");
    s.messages.answer = MsgAnswer::Cancel;  // would stop it, were it asked
    s.transfer.ImportList();

    // No question; one word after the import about the lines it skipped,
    // the one with an IP address alone among them.
    EXPECT_EQ(s.messages.texts,
              QStringList{QStringLiteral("2 lines were imported.\n\n"
                                         "3 lines skipped as unreadable (lines 4, 5, 6).")});
    EXPECT_EQ(s.stored().join(u'\n'), QStringLiteral("www.a.example||1|1|60|Import New\n"
                                                     "www.b.example|10.0.0.1.5|2|1|45|Import New"));
    EXPECT_EQ(s.screen.maximum, 7);  // every line counts, blank ones too
    EXPECT_EQ(s.screen.last, 5);     // non-blank lines
}

// Another program holds the registry's write lock for the whole import: one
// refused write ends it, the list stays as it was, and the operator is told
// instead of being left to think the file went in.
TEST(SiteListImportTest, ARegistryHeldByAnotherProgramImportsNothingAndSaysSo) {
    Station s;
    s.add("www.a.example", "10.0.0.1", 2, 1, 30, "mine");
    const QStringList before = s.stored();
    QByteArray lines;
    for (int n = 1; n <= 300; ++n) lines += "www.n" + QByteArray::number(n) + ".example,,1,1,30\r\n";
    WriteAll(s.file("many.ovd"), lines);
    s.dialogs.openAnswers << s.file("many.ovd");
    s.messages.answer = MsgAnswer::No;  // add to the list

    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(s.temp.path().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    s.transfer.ImportList();
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    ASSERT_EQ(s.messages.texts.size(), 2);  // the question, then the word after the import
    EXPECT_EQ(s.messages.texts[1],
              QStringLiteral("Nothing was imported: the registry could not be written "
                             "(error %1). The list is as it was.")
                  .arg(reg::ERROR_CANTWRITE));
    EXPECT_EQ(s.stored(), before);
}

TEST(SiteListImportTest, RefusalsLeaveTheStoreAlone) {
    Station s;
    s.add("www.a.example", "10.0.0.1", 2, 1, 30, "mine");
    const QStringList before = s.stored();

    // A file that is not text.
    WriteAll(s.file("binary.ovd"), QByteArray("www.b.example,,1,1,60\r\n\x01"));
    s.dialogs.openAnswers << s.file("binary.ovd");
    s.transfer.ImportList();
    EXPECT_EQ(s.messages.texts, QStringList{kDataFileCorrupt});

    // Cancel at the replace question.
    WriteAll(s.file("good.ovd"), "www.a.example,,1,1,60\r\nwww.b.example,,1,1,60\r\n");
    s.dialogs.openAnswers << s.file("good.ovd");
    s.messages.answer = MsgAnswer::Cancel;
    s.transfer.ImportList();

    // Cancel in the dialog.
    s.transfer.ImportList();

    EXPECT_EQ(s.messages.texts, (QStringList{kDataFileCorrupt, kReplaceQuestion}));
    EXPECT_EQ(s.stored(), before);
    EXPECT_EQ(s.screen.holds, 0);
    EXPECT_EQ(s.screen.clears, 0);
    EXPECT_TRUE(s.remembered().isEmpty());
}

}  // namespace
}  // namespace ossivant::test
