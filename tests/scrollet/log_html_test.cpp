#include "scrollet/log_html.h"

#include <gtest/gtest.h>

#include <QFile>

#include "scrollet/log_summary.h"
#include "tests/support/print_qstring.h"
#include "tests/support/temp_dir.h"

namespace ossivant::scrollet {
namespace {

TEST(ScrolletHtmlTest, EngineMarkupIsRenderedAndEverythingElseEscaped) {
    struct Row {
        const char* text;
        const char* html;
    };
    const Row rows[] = {
        {"(1) http://a<BR>(2) http://b", "(1) http://a<br>(2) http://b"},
        {"a<br>b<Br>c<bR>", "a<br>b<br>c<br>"},
        {"<SPAN class=\"Emphasis\">IP Double Check</SPAN>; sent",
         "<span class=\"emphasis\">IP Double Check</span>; sent"},
        {"<span CLASS=\"emphasis\">x</span>", "<span class=\"emphasis\">x</span>"},
        {"http://<script>alert(1)</script>", "http://&lt;script&gt;alert(1)&lt;/script&gt;"},
        {"<img src=x onerror=alert(1)>", "&lt;img src=x onerror=alert(1)&gt;"},
        // Close to the engine's tokens, but not them.
        {"<BR/>", "&lt;BR/&gt;"},
        {"<BR >", "&lt;BR &gt;"},
        {"<SPAN class=Emphasis>x</SPAN>", "&lt;SPAN class=Emphasis&gt;x&lt;/SPAN&gt;"},
        {"<SPAN class=\"Emphasis\" onclick=\"x()\">",
         "&lt;SPAN class=&quot;Emphasis&quot; onclick=&quot;x()&quot;&gt;"},
        {"<SPAN class=\"Other\">x</SPAN>", "&lt;SPAN class=&quot;Other&quot;&gt;x&lt;/SPAN&gt;"},
        // A closing tag closes only an emphasis that is open; one left open
        // is closed at the end of its text.
        {"x</SPAN>", "x&lt;/SPAN&gt;"},
        {"<SPAN class=\"Emphasis\">x", "<span class=\"emphasis\">x</span>"},
        {"<SPAN class=\"Emphasis\">x</SPAN></SPAN>",
         "<span class=\"emphasis\">x</span>&lt;/SPAN&gt;"},
        {"a & b \"c\" 'd' &amp;", "a &amp; b &quot;c&quot; &#39;d&#39; &amp;amp;"},
        {"tab\there\x01", "tab here\xef\xbf\xbd"},
        {"Gr\xc3\xbc\xc3\x9f"
         "e",
         "Gr\xc3\xbc\xc3\x9f"
         "e"},
        {"<", "&lt;"},
        {"", ""},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(RenderLogText(QString::fromUtf8(r.text)), QString::fromUtf8(r.html)) << r.text;
    }
    EXPECT_EQ(EscapeHtml(u"<BR><SPAN class=\"Emphasis\">"),
              "&lt;BR&gt;&lt;SPAN class=&quot;Emphasis&quot;&gt;");
}

const char kLog[] =
    "7 Dec 2026 08:59:58,http://stray.example,Site OK,1,,1\r\n"
    "[START CHECK: MANUAL - 7 Dec 2026 09:00:00]\r\n"
    "7 Dec 2026 09:00:00,http://shop.example,Site OK,1,,1\r\n"
    "7 Dec 2026 09:00:01,http://intranet.example,404 File Not Found,0,first,4\r\n"
    "7 Dec 2026 09:00:02,(1) http://mail.example<BR>(2) http://192.0.2.7,Timed out,30,"
    "<SPAN class=\"Emphasis\">IP Double Check</SPAN>,2\r\n"
    "7 Dec 2026 09:00:32,http://old.example,Unknown Site: Site #,0,,3\r\n"
    "7 Dec 2026 09:00:32,http://<script>alert(1)</script>,500 Error,2,slow, then refused,2\r\n"
    "7 Dec 2026 09:00:33,http://plain.example,Stopped,0,,0\r\n"
    "7 Dec 2026 09:00:3<b>\r\n"
    "[END CHECK]\r\n"
    "[START CHECK: AUTO - 7 Dec 2026 09:15:00]\r\n"
    "7 Dec 2026 09:15:00,http://<script>alert(1)</script>,500 Error,0,,2\r\n";

TEST(ScrolletHtmlTest, DocumentRowsForEveryKindOfLine) {
    const QString html = LogToHtml(ParseCheckLog(kLog), QStringLiteral("D-<1>.ovl"));
    const char* rows[] = {
        "<tr class=\"ok\"><td>OK</td><td>7 Dec 2026 09:00:00</td><td>http://shop.example</td>"
        "<td>Site OK</td><td class=\"number\">1</td><td></td></tr>",
        "<tr class=\"warning\"><td>Warning</td><td>7 Dec 2026 09:00:01</td>"
        "<td>http://intranet.example</td><td>404 File Not Found</td><td class=\"number\">0</td>"
        "<td>first</td></tr>",
        "<tr class=\"down\"><td>Down</td><td>7 Dec 2026 09:00:02</td>"
        "<td>(1) http://mail.example<br>(2) http://192.0.2.7</td><td>Timed out</td>"
        "<td class=\"number\">30</td><td><span class=\"emphasis\">IP Double Check</span></td></tr>",
        "<tr class=\"disabled\"><td>Disabled</td><td>7 Dec 2026 09:00:32</td>"
        "<td>http://old.example</td><td>Unknown Site: Site #</td><td class=\"number\">0</td>"
        "<td></td></tr>",
        "<tr class=\"down\"><td>Down</td><td>7 Dec 2026 09:00:32</td>"
        "<td>http://&lt;script&gt;alert(1)&lt;/script&gt;</td><td>500 Error</td>"
        "<td class=\"number\">2</td><td>slow, then refused</td></tr>",
        "<tr class=\"plain\"><td></td><td>7 Dec 2026 09:00:33</td><td>http://plain.example</td>",
        "<tr class=\"damaged\"><td>Damaged</td><td>line 9</td>"
        "<td colspan=\"4\"><code>7 Dec 2026 09:00:3&lt;b&gt;</code></td></tr>",
        // The stray line before the first cycle, the cycles' headings.
        "<h2>Lines outside a check cycle</h2>",
        "<td>http://stray.example</td>",
        "<h2>Manual check, started 7 Dec 2026 09:00:00</h2>",
        "<h2>Automatic check, started 7 Dec 2026 09:15:00</h2>",
        "No end line",
        "<title>Check log D-&lt;1&gt;.ovl</title>",
        "<meta charset=\"utf-8\">",
    };
    for (const char* row : rows) EXPECT_TRUE(html.contains(QLatin1StringView(row))) << row;
    EXPECT_EQ(html.count(QLatin1StringView("No end line")), 1);
    EXPECT_EQ(html.count(QLatin1StringView("<table class=\"cycle\">")), 3);

    // Nothing active and nothing from elsewhere, whatever the log holds.
    for (const char* banned : {"<script", "src=", "href=", "@import", "url(", "<b>", "<1>"}) {
        EXPECT_FALSE(html.contains(QLatin1StringView(banned), Qt::CaseInsensitive)) << banned;
    }
}

TEST(ScrolletHtmlTest, SummaryCountsChecksAndListsDownSitesOnce) {
    const ParsedLog log = ParseCheckLog(kLog);
    const LogSummary s = Summarize(log);
    EXPECT_EQ(s.cycles, 2);
    EXPECT_EQ(s.checks, 7);  // the disabled site was not checked
    EXPECT_EQ(s.successes, 2);
    EXPECT_EQ(s.failures, 3);
    EXPECT_EQ(s.warnings, 1);
    EXPECT_EQ(s.disabled, 1);
    EXPECT_EQ(s.damaged, 1);
    ASSERT_EQ(s.downSites.size(), 2u);
    EXPECT_EQ(s.downSites[0].siteLabel, "(1) http://mail.example<BR>(2) http://192.0.2.7");
    EXPECT_EQ(s.downSites[0].failures, 1);
    EXPECT_EQ(s.downSites[1].siteLabel, "http://<script>alert(1)</script>");
    EXPECT_EQ(s.downSites[1].failures, 2);

    const QString html = LogToHtml(log, QStringLiteral("x.ovl"));
    for (const char* row : {"<tr><th>Checks</th><td class=\"number\">7</td></tr>",
                            "<tr><th>Failures</th><td class=\"number\">3</td></tr>",
                            "<tr><th>Damaged lines</th><td class=\"number\">1</td></tr>",
                            "<tr class=\"down\"><td>http://&lt;script&gt;alert(1)&lt;/script&gt;"
                            "</td><td class=\"number\">2</td></tr>"}) {
        EXPECT_TRUE(html.contains(QLatin1StringView(row))) << row;
    }
    EXPECT_TRUE(LogToHtml(ParseCheckLog("[START CHECK: AUTO - t]\r\nd,http://a,OK,0,,1\r\n"),
                          QStringLiteral("x.ovl"))
                    .contains(QLatin1StringView("No site went down.")));
}

// A log of many cycles whose lines differ in length, so that they fall
// across the blocks in which files are read.
QByteArray ManyCycles(int cycles) {
    QByteArray big;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        big += "[START CHECK: AUTO - t" + QByteArray::number(cycle) + "]\r\n";
        for (int site = 0; site < 10; ++site)
            big += "d,http://s" + QByteArray::number(site) + ".example,OK,0,a<BR>" +
                   QByteArray(cycle % 7 * site, 'n') + ",1\r\n";
        if (cycle % 50 != 49) big += "[END CHECK]\r\n";
    }
    return big;
}

TEST(ScrolletHtmlTest, CopyStreamedFromTheFileIsTheDocumentOfTheWholeLog) {
    test::TempDir dir;
    QByteArray lfOnly(kLog);
    lfOnly.replace("\r\n", "\n");
    const QByteArray rows[] = {
        kLog,
        lfOnly,
        "d,http://a,OK,0,,1\r\n[END CHECK]\r\n[START CHECK: MANUAL - t]\r\nd,http://b,x,1,,2",
        "[START CHECK: AUTO - t]\r\n\r\n[START CHECK: AUTO - u]\r\n[END CHECK]\r\n",
        ManyCycles(3000),
    };
    for (const QByteArray& bytes : rows) {
        const QString path = QString::fromStdString(dir.file("D-20261207.ovl"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();

        QString joined;
        int pieces = 0;
        const QString error = StreamLogHtml(path, [&](const QString& piece) {
            joined += piece;
            ++pieces;
        });
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        EXPECT_EQ(joined, LogToHtml(ParseCheckLog(bytes), QStringLiteral("D-20261207.ovl")));
        EXPECT_EQ(pieces > 1, bytes.size() > 100'000) << pieces;
    }
}

TEST(ScrolletHtmlTest, StreamedCopyOfWhatIsNoLogGivesTheReasonAndNothingElse) {
    test::TempDir dir;
    const QString path = QString::fromStdString(dir.file("letter.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Dear reader,\r\nthis is no log.\r\n");
    file.close();
    int pieces = 0;
    const QString error = StreamLogHtml(path, [&](const QString&) { ++pieces; });
    EXPECT_EQ(error,
              path + QStringLiteral(" is not a check log: none of its lines is a check-log line."));
    EXPECT_EQ(pieces, 0);
}

}  // namespace
}  // namespace ossivant::scrollet
