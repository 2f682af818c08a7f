#include "monitor/report/log_line.h"

#include <gtest/gtest.h>

#include <QTimeZone>

namespace ossivant {
namespace {

const QDateTime kMorning(QDate(2026, 12, 7), QTime(9, 5, 3));

TEST(LogLineTest, DateTimeIsShortDateBlankLongTimeOfTheLocale) {
    // The test environment pins the system locale to C.
    EXPECT_EQ(LogDateTimeText(kMorning), "7 Dec 2026 09:05:03");
    EXPECT_EQ(LogDateTimeText(kMorning, QLocale(QLocale::English, QLocale::UnitedStates)),
              "12/7/26 9:05:03 AM");
    EXPECT_EQ(LogDateTimeText(kMorning.addSecs(8 * 3600),
                              QLocale(QLocale::English, QLocale::UnitedStates)),
              "12/7/26 5:05:03 PM");
    EXPECT_EQ(LogDateTimeText(kMorning, QLocale(QLocale::German, QLocale::Germany)),
              "07.12.26 09:05:03");
}

TEST(LogLineTest, DateTimeIsWrittenInLocalTime) {
    // The test environment pins the local zone to UTC.
    const QDateTime paris(QDate(2026, 12, 7), QTime(10, 5, 3), QTimeZone("Europe/Paris"));
    EXPECT_EQ(LogDateTimeText(paris), "7 Dec 2026 09:05:03");
}

TEST(LogLineTest, FlagsChooseTheLine) {
    struct Row {
        bool start, manual, end;
        LogLineKind kind;
    };
    const Row rows[] = {
        {true, true, false, LogLineKind::ManualStart}, {true, true, true, LogLineKind::ManualStart},
        {true, false, false, LogLineKind::AutoStart},  {true, false, true, LogLineKind::AutoStart},
        {false, true, true, LogLineKind::End},         {false, false, true, LogLineKind::End},
        {false, true, false, LogLineKind::Data},       {false, false, false, LogLineKind::Data},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(LogLineKindFor(r.start, r.manual, r.end), r.kind) << r.start << r.manual << r.end;
    }
}

TEST(LogLineTest, StartAndEndLines) {
    const LogRecord unused{kMorning.addDays(-3), "x", "y", "z", 4};
    EXPECT_EQ(BuildLogLine(LogLineKind::ManualStart, unused, kMorning),
              "[START CHECK: MANUAL - 7 Dec 2026 09:05:03]");
    EXPECT_EQ(BuildLogLine(LogLineKind::AutoStart, unused, kMorning),
              "[START CHECK: AUTO - 7 Dec 2026 09:05:03]");
    EXPECT_EQ(BuildLogLine(LogLineKind::End, unused, kMorning), "[END CHECK]");
}

TEST(LogLineTest, DataLineHasSixFieldsInOrderCopiedAsTheyAre) {
    const LogRecord record{kMorning, "(1) http://a.example<BR>(2) http://10.0.0.1",
                           "404 File Not Found", "<SPAN class=\"Emphasis\">IP Double Check</SPAN>",
                           2};
    EXPECT_EQ(
        BuildLogLine(LogLineKind::Data, record, kMorning.addSecs(4)),
        "7 Dec 2026 09:05:03,(1) http://a.example<BR>(2) http://10.0.0.1,404 File Not Found,4,"
        "<SPAN class=\"Emphasis\">IP Double Check</SPAN>,2");
}

TEST(LogLineTest, CommasInsideTextsAreNotEscaped) {
    const LogRecord record{kMorning, "http://a.example", "Site OK", "slow, then fast; retried", 1};
    const QString line = BuildLogLine(LogLineKind::Data, record, kMorning);
    EXPECT_EQ(line, "7 Dec 2026 09:05:03,http://a.example,Site OK,0,slow, then fast; retried,1");
    EXPECT_EQ(line.split(u',').size(), 7);
}

TEST(LogLineTest, ElapsedSecondsAreTheWholeDuration) {
    struct Row {
        qint64 msecs;
        qint64 shown;
    };
    // A check of 75 s shows 75: the whole time, not its seconds field.
    const Row rows[] = {{0, 0},       {999, 0},     {59'000, 59},      {61'000, 61},
                        {75'000, 75}, {75'900, 75}, {3'725'000, 3725}, {-5'000, 0}};
    for (const Row& r : rows) {
        EXPECT_EQ(ElapsedSeconds(kMorning, kMorning.addMSecs(r.msecs)), r.shown) << r.msecs;
    }
    const LogRecord record{kMorning, "http://a.example", "Request Timed-Out", "", 2};
    EXPECT_EQ(BuildLogLine(LogLineKind::Data, record, kMorning.addSecs(75)),
              "7 Dec 2026 09:05:03,http://a.example,Request Timed-Out,75,,2");
}

}  // namespace
}  // namespace ossivant
