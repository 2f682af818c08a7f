// Imports that meet the limit of the list, lines that cannot be read, and
// the line reader under them.
#include <gtest/gtest.h>

#include <QBuffer>

#include "monitor/store/site_line_reader.h"
#include "tests/monitor/store/site_list_station.h"
#include "tests/support/print_qstring.h"

namespace ossivant::test {
namespace {

QByteArray SiteLines(int from, int count) {
    QByteArray bytes;
    for (int n = from; n < from + count; ++n)
        bytes += "www.file" + QByteArray::number(n) + ".example,,1,1,60\r\n";
    return bytes;
}

struct LimitRow {
    const char* name;
    bool replace;
    QByteArray head;  // lines before the new sites of the file
    int newSites;     // www.file1.example ... in the file
    int storedAfter;
    int lastFileSite;                          // the last of the file's new sites that is stored
    const char* told;                          // the message after the import, or ""
    std::vector<int> front = {1, 2, 3, 4, 5};  // the stored sites first in the list
};

void PrintTo(const LimitRow& row, std::ostream* os) {
    *os << row.name;
}

class ImportLimitTest : public ::testing::TestWithParam<LimitRow> {};

// Five sites are stored (www.old1.example ... www.old5.example) when the file
// is imported.
TEST_P(ImportLimitTest, ImportsInFileOrderUpToTheLimitAndNoFurther) {
    const LimitRow& row = GetParam();
    Station s;
    for (int n = 1; n <= 5; ++n)
        s.add(QStringLiteral("www.old%1.example").arg(n).toUtf8().constData(), "", 3, 1, 30,
              "mine");
    WriteAll(s.file("big.ovd"), row.head + SiteLines(1, row.newSites));
    s.dialogs.openAnswers << s.file("big.ovd");
    s.messages.answer = row.replace ? MsgAnswer::Yes : MsgAnswer::No;
    s.transfer.ImportList();

    const QStringList stored = s.stored();
    ASSERT_EQ(stored.size(), row.storedAfter);
    EXPECT_EQ(s.sites.SiteCount(), row.storedAfter);
    // Nothing beyond the limit was written, not even a key without pointer.
    QStringList keys;
    s.access.EnumKeys(reg::HKEY_LOCAL_MACHINE, SiteStore::addressKey(), keys, 1'000'000);
    EXPECT_EQ(keys.size(), row.storedAfter);
    // No stored site is pushed out; those the file does not replace keep
    // their places in front.
    for (int n = 1; n <= 5; ++n)
        EXPECT_TRUE(keys.contains(QStringLiteral("www.old%1.example").arg(n))) << n;
    for (std::size_t i = 0; i < row.front.size(); ++i)
        EXPECT_TRUE(stored[qsizetype(i)].startsWith(
            QStringLiteral("www.old%1.example||3|1|30|").arg(row.front[i])))
            << stored[qsizetype(i)].toStdString();
    EXPECT_TRUE(keys.contains(QStringLiteral("www.file%1.example").arg(row.lastFileSite)));
    EXPECT_FALSE(keys.contains(QStringLiteral("www.file%1.example").arg(row.lastFileSite + 1)));
    const QStringList told = *row.told ? QStringList{QString::fromUtf8(row.told)} : QStringList();
    EXPECT_EQ(s.messages.texts.mid(1), told);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ImportLimitTest,
    ::testing::Values(LimitRow{"Fits", false, "", 10, 15, 10, ""},
                      LimitRow{"ExactlyAtTheLimit", false, "", 995, 1000, 995, ""},
                      LimitRow{"OneOverInAddMode", false, "", 996, 1000, 995,
                               "995 lines were imported.\n\n"
                               "1 line left out: the address list holds at most 1000 sites."},
                      // Lines of stored sites take no room; past the limit even they are
                      // left out.
                      LimitRow{"OverInReplaceMode",
                               true,
                               "www.old2.example,,1,1,60\r\n",
                               1000,
                               1000,
                               995,
                               "996 lines were imported.\n\n"
                               "5 lines left out: the address list holds at most 1000 sites.",
                               {1, 3, 4, 5}},
                      LimitRow{"HundredThousandLinesInAddMode", false,
                               "www.old2.example,,1,1,60\r\n", 100'000, 1000, 995,
                               "996 lines were imported.\n\n"
                               "99005 lines left out: the address list holds at most 1000 sites."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ImportLimitTest, ReplacedAndNamedAgainSitesKeepTheirRules) {
    Station s;
    s.add("www.old.example", "", 3, 1, 30, "mine");
    WriteAll(s.file("twice.ovd"),
             "www.old.example,,1,1,10\r\n"
             "www.new.example,,2,1,20\r\n"
             "WWW.NEW.example,,1,0,25\r\n"
             "www.old.example,,2,0,15\r\n");
    s.dialogs.openAnswers << s.file("twice.ovd") << s.file("twice.ovd");
    s.messages.answer = MsgAnswer::Yes;
    s.transfer.ImportList();
    // Replace: the last line of a site wins; imported sites follow in name
    // order.
    EXPECT_EQ(s.stored().join(u'\n'), QStringLiteral("WWW.NEW.example||1|0|25|Import Replace\n"
                                                     "www.old.example||2|0|15|Import Replace"));

    s.messages.answer = MsgAnswer::No;
    s.transfer.ImportList();
    // Add only: every site named is stored already and loses its comment.
    EXPECT_EQ(s.stored().join(u'\n'),
              QStringLiteral("WWW.NEW.example||1|0|25|\nwww.old.example||2|0|15|"));
    EXPECT_EQ(s.messages.texts, (QStringList{kReplaceQuestion, kReplaceQuestion}));
}

TEST(ImportUnreadableTest, TellsHowManyLinesWereSkippedAndWhereTheyBegin) {
    Station s;
    // The longest line read: a site with further TimeOut fields.
    QByteArray longest = "www.long.example,,1,1";
    while (longest.size() < SiteLineReader::kMaxLineBytes - 3) longest += ",60";
    longest += QByteArray(SiteLineReader::kMaxLineBytes - longest.size(), '7');
    ASSERT_EQ(longest.size(), SiteLineReader::kMaxLineBytes);
    WriteAll(s.file("odd.ovd"),
             "www.a.example,,1,1,60\r\n"                                   // 1
             "www.bad.example,1.2.3,1,1,60\r\n"                            // 2 bad IP
             "\r\n"                                                        // 3 blank
                 + longest + "\r\n"                                        // 4 longest line
                 + QByteArray(4097, 'x') + "\r\n"                          // 5 too long
                 + "www.b.example" + QByteArray(10'000'000, ',') + "\r\n"  // 6 far too long
                 + "www.c.example,,300,1,60\r\n"                           // 7 status too big
                 + ",,1,1,60\r\n"                                          // 8 no address
                 + ",10.0.0.1,1,1,60\r\n"                                  // 9 IP alone
                 + "www." + QByteArray(300, 'd') + ".example,,1,1,60\r\n"  // 10 no key that long
                 + "www.d.example,,1,1,60");                               // 11
    s.dialogs.openAnswers << s.file("odd.ovd");
    s.transfer.ImportList();

    QStringList urls;
    for (const SiteRecord& site : s.sites) urls << site.URL;
    urls.sort();
    EXPECT_EQ(urls, (QStringList{"www.a.example", "www.d.example", "www.long.example"}));
    EXPECT_EQ(s.sites[3].TimeOut, 607) << "the last field of the longest line";
    EXPECT_EQ(s.messages.texts, QStringList{QStringLiteral(
                                    "3 lines were imported.\n\n"
                                    "7 lines skipped as unreadable (lines 2, 5, 6, 7, 8, ...).")});
    EXPECT_EQ(s.screen.maximum, 11);
    EXPECT_EQ(s.screen.last, 10);
}

TEST(SiteLineReaderTest, LongLinesArePassedOverWithoutLosingTheNext) {
    const QByteArray limit(SiteLineReader::kMaxLineBytes, 'a');
    struct Row {
        const char* name;
        QByteArray bytes;
        std::vector<std::pair<QByteArray, bool>> lines;  // text, too long
    };
    const Row rows[] = {
        {"empty", "", {}},
        {"crlf_and_lf", "a\r\nb\nc", {{"a", false}, {"b", false}, {"c", false}}},
        {"blank_lines", "\r\n\n", {{"", false}, {"", false}}},
        {"longest_crlf", limit + "\r\nb\r\n", {{limit, false}, {"b", false}}},
        {"longest_lf", limit + "\nb", {{limit, false}, {"b", false}}},
        {"longest_at_end", limit, {{limit, false}}},
        {"one_over", limit + "a\r\nb\r\n", {{"", true}, {"b", false}}},
        {"one_over_at_end", limit + "a", {{"", true}}},
        {"cr_over", limit + "\r\r\nb", {{"", true}, {"b", false}}},
        {"megabytes", QByteArray(3'000'000, ',') + "\r\nb\r\n", {{"", true}, {"b", false}}},
    };
    for (const Row& row : rows) {
        QByteArray bytes = row.bytes;
        QBuffer buffer(&bytes);
        ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
        SiteLineReader reader(buffer);
        std::vector<std::pair<QByteArray, bool>> read;
        QByteArray line;
        bool tooLong = false;
        while (reader.next(line, tooLong)) read.emplace_back(line, tooLong);
        EXPECT_EQ(read, row.lines) << row.name;
    }
}

}  // namespace
}  // namespace ossivant::test
