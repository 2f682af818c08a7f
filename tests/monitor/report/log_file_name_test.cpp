#include "monitor/report/log_file_name.h"

#include <gtest/gtest.h>

namespace ossivant {
namespace {

struct NameRow {
    int period;
    QDate today;
    const char* name;
};

void PrintTo(const NameRow& r, std::ostream* os) {
    *os << r.name;
}

class LogFileNameTest : public ::testing::TestWithParam<NameRow> {};

TEST_P(LogFileNameTest, NameForTheDay) {
    const NameRow& r = GetParam();
    EXPECT_EQ(LogFileNameFor("/var/log/ov", r.period, r.today), QString("/var/log/ov/") + r.name);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LogFileNameTest,
    ::testing::Values(
        NameRow{LogPeriodDaily, QDate(2026, 12, 7), "D-20261207.ovl"},
        NameRow{LogPeriodDaily, QDate(2027, 1, 1), "D-20270101.ovl"},
        // Weeks run Sunday to Saturday.
        NameRow{LogPeriodWeekly, QDate(2026, 12, 6), "W-20261206.ovl"},   // Sunday
        NameRow{LogPeriodWeekly, QDate(2026, 12, 7), "W-20261206.ovl"},   // Monday
        NameRow{LogPeriodWeekly, QDate(2026, 12, 12), "W-20261206.ovl"},  // Saturday
        NameRow{LogPeriodWeekly, QDate(2026, 12, 13), "W-20261213.ovl"},  // next Sunday
        NameRow{LogPeriodWeekly, QDate(2027, 1, 1), "W-20261227.ovl"},    // across the year
        NameRow{LogPeriodWeekly, QDate(2024, 3, 2), "W-20240225.ovl"},    // across a leap February
        // Every other period names the weekly file too.
        NameRow{LogPeriodNone, QDate(2026, 12, 9), "W-20261206.ovl"},
        NameRow{7, QDate(2026, 12, 9), "W-20261206.ovl"}),
    [](const auto& info) {
        return "Period" + std::to_string(info.param.period) + "On" +
               info.param.today.toString("yyyyMMdd").toStdString();
    });

}  // namespace
}  // namespace ossivant
