#include "monitor/report/check_log.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "tests/support/fake_clock.h"

namespace ossivant {
namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class CheckLogTest : public ::testing::Test {
protected:
    CheckLogTest() {
        settings.LogPath = dir.path();
        settings.LogPeriod = 1;
        settings.DiskLogMaxFiles = 1;
        settings.MaxLogFiles = 7;
    }

    void MakeOldLogs(int n) {
        for (int i = 1; i <= n; ++i) {
            QFile f(dir.path() + QString("/D-202611%1.ovl").arg(i, 2, 10, QChar(u'0')));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
    }
    qsizetype LogCount() const { return QDir(dir.path(), "*.ovl").count(); }

    QTemporaryDir dir;
    Settings settings;
    // Monday 7 December 2026.
    test::FakeClock clock{QDateTime(QDate(2026, 12, 7), QTime(23, 59, 0))};
    CheckLog log{settings, clock};
};

TEST_F(CheckLogTest, OneCycleWritesStartDataAndEndLinesWithCrLf) {
    EXPECT_TRUE(log.LogFileName().isEmpty());
    log.GetLogFileName(true);
    EXPECT_EQ(log.LogFileName(), dir.path() + "/D-20261207.ovl");

    log.WriteLog(true, true, false, {});
    LogRecord record{clock.now(), "http://a.example", "Site OK", "", 1};
    clock.advanceSeconds(2);
    log.WriteLog(false, false, false, record);
    record = {clock.now(), "http://b.example", "Request Timed-Out", "no answer, gave up", 2};
    clock.advanceSeconds(75);  // past midnight: the cycle keeps its file
    log.WriteLog(false, false, false, record);
    log.WriteLog(false, false, true, record);
    log.WriteLog(true, false, false, record);

    EXPECT_EQ(ReadAll(log.LogFileName()),
              "[START CHECK: MANUAL - 7 Dec 2026 23:59:00]\r\n"
              "7 Dec 2026 23:59:00,http://a.example,Site OK,2,,1\r\n"
              "7 Dec 2026 23:59:02,http://b.example,Request Timed-Out,75,no answer, gave up,2\r\n"
              "[END CHECK]\r\n"
              "[START CHECK: AUTO - 8 Dec 2026 00:00:17]\r\n");
    EXPECT_EQ(LogCount(), 1);

    log.GetLogFileName(false);  // the next cycle moves to the new day's file
    EXPECT_EQ(log.LogFileName(), dir.path() + "/D-20261208.ovl");
}

TEST_F(CheckLogTest, TextsAreWrittenAsUtf8AndAppended) {
    QFile existing(dir.path() + "/W-20261206.ovl");
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("earlier\r\n");
    existing.close();

    settings.LogPeriod = 2;
    log.GetLogFileName(true);
    log.WriteLog(false, false, false, {clock.now(), "http://bücher.example", "Site OK", "", 1});
    EXPECT_EQ(ReadAll(existing.fileName()),
              "earlier\r\n7 Dec 2026 23:59:00,http://b\xC3\xBC"
              "cher.example,Site OK,0,,1\r\n");
}

TEST_F(CheckLogTest, NoLogKeptMeansNoFileNoLineNoPruning) {
    settings.LogPeriod = 0;
    MakeOldLogs(10);
    log.GetLogFileName(true);
    EXPECT_EQ(log.LogFileName(), dir.path() + "/W-20261206.ovl");
    for (bool start : {false, true})
        for (bool end : {false, true}) log.WriteLog(start, false, end, {});
    EXPECT_FALSE(QFile::exists(log.LogFileName()));
    EXPECT_EQ(LogCount(), 10);
}

TEST_F(CheckLogTest, AMissingFolderIsMadeAgainAndALostLineIsReported) {
    // Nothing named yet: the line goes nowhere, and says so.
    EXPECT_FALSE(log.WriteLog(true, true, false, {}));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 0);

    settings.LogPath = dir.path() + "/missing/Logs";
    log.GetLogFileName(true);
    EXPECT_TRUE(log.WriteLog(true, true, false, {}));
    EXPECT_EQ(ReadAll(log.LogFileName()), "[START CHECK: MANUAL - 7 Dec 2026 23:59:00]\r\n");

    settings.LogPeriod = 0;  // no log kept: nothing is due, nothing is lost
    settings.LogPath = dir.path() + "/never";
    log.GetLogFileName(true);
    EXPECT_TRUE(log.WriteLog(true, true, false, {}));
    EXPECT_FALSE(QDir(settings.LogPath).exists());
}

// Which settings let GetLogFileName prune.
struct PruneSwitchRow {
    const char* label;
    std::int16_t diskLogMaxFiles;
    std::int16_t logPeriod;
    bool bDeleteFiles;
    qsizetype remaining;
};

void PrintTo(const PruneSwitchRow& r, std::ostream* os) {
    *os << r.label;
}

class CheckLogPruneTest : public CheckLogTest,
                          public ::testing::WithParamInterface<PruneSwitchRow> {};

TEST_P(CheckLogPruneTest, PrunesOnlyWhenAsked) {
    const PruneSwitchRow& r = GetParam();
    settings.DiskLogMaxFiles = r.diskLogMaxFiles;
    settings.LogPeriod = r.logPeriod;
    MakeOldLogs(10);
    log.GetLogFileName(r.bDeleteFiles);
    EXPECT_EQ(LogCount(), r.remaining);
}

// Ten old files and MaxLogFiles 7: pruning leaves six, making room for
// today's file.
INSTANTIATE_TEST_SUITE_P(Rows, CheckLogPruneTest,
                         ::testing::Values(PruneSwitchRow{"DailyPrunes", 1, 1, true, 6},
                                           PruneSwitchRow{"WeeklyPrunes", 1, 2, true, 6},
                                           PruneSwitchRow{"LimitOff", 0, 1, true, 10},
                                           PruneSwitchRow{"NameOnly", 1, 1, false, 10},
                                           PruneSwitchRow{"NoLogKept", 1, 0, true, 10}),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace ossivant
