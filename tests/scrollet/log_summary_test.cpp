// The viewer's summary over a log that holds every kind of line the monitor
// writes, and some it never writes: the whole summary is compared.
#include "scrollet/log_summary.h"

#include <gtest/gtest.h>

#include "scrollet/check_log_reader.h"

namespace ossivant::scrollet {
namespace {

const char kEveryKind[] =
    "9 Dec 2026 08:59:58,http://stray.example,Site OK,1,,1\r\n"
    "[END CHECK]\r\n"
    "[START CHECK: MANUAL - 9 Dec 2026 09:00:00]\r\n"
    "9 Dec 2026 09:00:00,http://ok.example,Site OK,1,,1\r\n"
    "9 Dec 2026 09:00:01,http://ok.example/expiring,Site OK (certificate expires in 3 days),0,,1\r\n"
    "9 Dec 2026 09:00:01,http://flaky.example,404 File Not Found,0,,4\r\n"
    "9 Dec 2026 09:00:02,(1) http://down.example<BR>(2) http://192.0.2.7,(1) Request Timed-Out"
    "<BR>(2) Site OK,30,<SPAN class=\"Emphasis\">IP Double Check</SPAN>; E-mail Notification "
    "Sent,2\r\n"
    "9 Dec 2026 09:00:32,http://off.example,Unknown Site: Site #,0,,3\r\n"
    "9 Dec 2026 09:00:32,http://192.0.2.10,Unknown Site: Site #,0,,3\r\n"
    "9 Dec 2026 09:00:32,http://off.example/a,b,Unknown Site: Site #,0,,3\r\n"
    "9 Dec 2026 09:00:32,Unknown Site: Site #9,Missing Site Address,0,,2\r\n"
    "9 Dec 2026 09:00:33,http://slow.example,Manually Stopped.,5,Manually Stopped.,2\r\n"
    "9 Dec 2026 09:00:3\r\n"
    "[END CHECK]\r\n"
    "[START CHECK: AUTO - 9 Dec 2026 10:00:00]\r\n"
    "9 Dec 2026 10:00:00,http://off.example,Unknown Site: Site #,0,,3\r\n"
    "9 Dec 2026 10:00:01,http://slow.example,ERROR:  28 Timeout was reached,9,,2\r\n"
    "9 Dec 2026 10:00:02,http://plain.example,Site OK,0,,0\r\n";

TEST(ScrolletSummaryTest, CountsWhatEveryLineSays) {
    const LogSummary s = Summarize(ParseCheckLog(kEveryKind));
    EXPECT_EQ(s.cycles, 2);
    EXPECT_EQ(s.checks, 9);  // disabled sites are not checked
    EXPECT_EQ(s.successes, 3);
    EXPECT_EQ(s.failures, 4);
    EXPECT_EQ(s.warnings, 1);
    EXPECT_EQ(s.disabled, 4);
    EXPECT_EQ(s.damaged, 2);  // the end line outside a cycle and the cut line
    ASSERT_EQ(s.downSites.size(), 3u);
    EXPECT_EQ(s.downSites[0].siteLabel, "(1) http://down.example<BR>(2) http://192.0.2.7");
    EXPECT_EQ(s.downSites[0].failures, 1);
    EXPECT_EQ(s.downSites[1].siteLabel, "Unknown Site: Site #9");
    EXPECT_EQ(s.downSites[1].failures, 1);
    EXPECT_EQ(s.downSites[2].siteLabel, "http://slow.example");
    EXPECT_EQ(s.downSites[2].failures, 2);
}

}  // namespace
}  // namespace ossivant::scrollet
