// What the tray tells after a cycle: the one message, the icon's light and
// the tooltip, for the site table as the cycle left it.
#include "monitor/ui/tray_status.h"

#include <gtest/gtest.h>

#include <ostream>

#include "tests/support/print_qstring.h"

namespace ossivant::test {
namespace {

// Sites a.test, b.test, ... one letter each: G green, Y yellow, R red from
// an earlier cycle, D down in this cycle, 0 never checked, N not checked
// since the start, x disabled (and red).
struct TrayCase {
    const char* name;
    const char* sites;
    bool offline;
    const char* title;
    const char* text;
    int light;
    const char* toolTip;
};

void PrintTo(const TrayCase& c, std::ostream* os) {
    *os << c.name;
}

SiteTable TableOf(const char* letters, QList<DownSite>& down) {
    SiteTable table;
    for (int i = 0; letters[i] != '\0'; ++i) {
        SiteRecord site;
        site.URL = QStringLiteral("%1.test").arg(QChar('a' + i));
        site.Enabled = letters[i] == 'x' ? 0 : 1;
        switch (letters[i]) {
            case 'G':
                site.Status = StatusOK;
                break;
            case 'Y':
                site.Status = StatusWarning;
                break;
            case 'N':
                site.Status = StatusUnchecked;
                break;
            case '0':
                site.Status = StatusNotChecked;
                break;
            default:
                site.Status = StatusFailed;
                break;
        }
        if (letters[i] == 'D') down.push_back({HttpAddress(site.URL), QStringLiteral("Timed out")});
        table.append(site);
    }
    return table;
}

class TrayStatusTest : public ::testing::TestWithParam<TrayCase> {};

TEST_P(TrayStatusTest, MessageLightAndToolTip) {
    const TrayCase& c = GetParam();
    QList<DownSite> down;
    const SiteTable table = TableOf(c.sites, down);
    const TrayMessage message = SitesDownMessage(down);
    EXPECT_EQ(message.title, QString::fromUtf8(c.title));
    EXPECT_EQ(message.text, QString::fromUtf8(c.text));
    EXPECT_EQ(TrayLight(table), c.light);
    EXPECT_EQ(TrayToolTip(table, c.offline), QString::fromUtf8(c.toolTip));
}

INSTANTIATE_TEST_SUITE_P(
    Cycles, TrayStatusTest,
    ::testing::Values(
        TrayCase{"NoSites", "", false, "", "", 0, "Ossivant"},
        TrayCase{"NoneCheckedYet", "0N0", false, "", "", 0, "Ossivant"},
        TrayCase{"NoneDownAllGreen", "GGN", false, "", "", 1, "Ossivant"},
        TrayCase{"YellowOverGreen", "G0YG", false, "", "", 2, "Ossivant"},
        TrayCase{"OneDown", "GDY", false, "Ossivant: Site down", "http://b.test\nTimed out", 3,
                 "Ossivant\nSite down: http://b.test"},
        TrayCase{"ThreeDown", "DGDD", false, "Ossivant: 3 sites down",
                 "http://a.test - Timed out\nhttp://c.test - Timed out\nhttp://d.test - Timed out",
                 3, "Ossivant\n3 sites down:\nhttp://a.test\nhttp://c.test\nhttp://d.test"},
        TrayCase{"FourDown", "DDDD", false, "Ossivant: 4 sites down",
                 "http://a.test - Timed out\nhttp://b.test - Timed out\nhttp://c.test - Timed "
                 "out\nand 1 more",
                 3,
                 "Ossivant\n4 sites down:\nhttp://a.test\nhttp://b.test\nhttp://c.test\nand 1 "
                 "more"},
        TrayCase{"TwelveDown", "DDDDDDDDDDDD", false, "Ossivant: 12 sites down",
                 "http://a.test - Timed out\nhttp://b.test - Timed out\nhttp://c.test - Timed "
                 "out\nand 9 more",
                 3,
                 "Ossivant\n12 sites down:\nhttp://a.test\nhttp://b.test\nhttp://c.test\nand 9 "
                 "more"},
        // The message names this cycle's sites; the tooltip every site that is down.
        TrayCase{"DownEarlierAndNow", "RGD", false, "Ossivant: Site down",
                 "http://c.test\nTimed out", 3,
                 "Ossivant\n2 sites down:\nhttp://a.test\nhttp://c.test"},
        TrayCase{"DisabledSitesIgnored", "xGx", false, "", "", 1, "Ossivant"},
        TrayCase{"Offline", "GY", true, "", "", 2,
                 "Ossivant\nNot checked: this computer is offline"},
        TrayCase{"OfflineWithSitesDown", "RR", true, "", "", 3,
                 "Ossivant\n2 sites down:\nhttp://a.test\nhttp://b.test\nNot checked: this "
                 "computer is offline"}),
    [](const ::testing::TestParamInfo<TrayCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ossivant::test
