#include "monitor/report/check_log.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

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

// --- the file held for a cycle ----------------------------------------------

const QByteArray kManualStart = "[START CHECK: MANUAL - 7 Dec 2026 23:59:00]\r\n";
const QByteArray kSiteOk = "7 Dec 2026 23:59:00,http://a.example,Site OK,0,,1\r\n";
const QByteArray kEnd = "[END CHECK]\r\n";

// Descriptors of this process open on files in `folder`.
int DescriptorsIn(const QString& folder) {
    const QString prefix = QDir(folder).canonicalPath() + u'/';
    int n = 0;
    for (const QFileInfo& fd : QDir("/proc/self/fd").entryInfoList(QDir::AllEntries | QDir::System))
        if (fd.symLinkTarget().startsWith(prefix)) ++n;
    return n;
}

TEST_F(CheckLogTest, TheFileIsHeldOpenFromTheFirstLineToTheEndLineOnly) {
    const LogRecord ok{clock.now(), "http://a.example", "Site OK", "", 1};
    log.GetLogFileName(true);
    EXPECT_EQ(DescriptorsIn(dir.path()), 0);
    log.WriteLog(true, true, false, {});
    log.WriteLog(false, false, false, ok);
    EXPECT_EQ(DescriptorsIn(dir.path()), 1);
    log.WriteLog(false, false, true, {});
    EXPECT_EQ(DescriptorsIn(dir.path()), 0);

    log.WriteLog(true, true, false, {});
    log.GetLogFileName(false);  // the same name: the file stays
    EXPECT_EQ(DescriptorsIn(dir.path()), 1);
    clock.advanceDays(1);
    log.GetLogFileName(false);  // a new day's name lets the old file go
    EXPECT_EQ(DescriptorsIn(dir.path()), 0);
    {
        CheckLog other{settings, clock};
        other.GetLogFileName(false);
        other.WriteLog(true, false, false, {});
        EXPECT_EQ(DescriptorsIn(dir.path()), 1);
    }
    EXPECT_EQ(DescriptorsIn(dir.path()), 0);
}

TEST_F(CheckLogTest, ALineOfAnotherWriterBetweenTwoOfOursStaysWhole) {
    CheckLog other{settings, clock};  // another copy of the monitor
    log.GetLogFileName(true);
    other.GetLogFileName(false);
    EXPECT_TRUE(log.WriteLog(true, true, false, {}));
    EXPECT_TRUE(
        other.WriteLog(false, false, false, {clock.now(), "http://a.example", "Site OK", "", 1}));
    EXPECT_TRUE(log.WriteLog(false, false, true, {}));
    EXPECT_TRUE(other.WriteLog(false, false, true, {}));
    EXPECT_EQ(ReadAll(log.LogFileName()), kManualStart + kSiteOk + kEnd + kEnd);
}

// Someone takes the file away from its path between two lines of a cycle.
struct TakenAwayRow {
    const char* label;
    void (*takeAway)(const QString& folder, const QString& path);
    QByteArray found;    // what the path holds then
    const char* keptAs;  // the file in the folder that keeps the first line, or ""
};

void PrintTo(const TakenAwayRow& r, std::ostream* os) {
    *os << r.label;
}

class CheckLogTakenAwayTest : public CheckLogTest,
                              public ::testing::WithParamInterface<TakenAwayRow> {};

TEST_P(CheckLogTakenAwayTest, TheNextLinesLandInTheFileAtThePath) {
    const TakenAwayRow& r = GetParam();
    settings.LogPath = dir.path() + "/Logs";
    log.GetLogFileName(true);
    ASSERT_TRUE(log.WriteLog(true, true, false, {}));

    r.takeAway(settings.LogPath, log.LogFileName());
    EXPECT_TRUE(
        log.WriteLog(false, false, false, {clock.now(), "http://a.example", "Site OK", "", 1}));
    EXPECT_TRUE(log.WriteLog(false, false, true, {}));

    EXPECT_EQ(ReadAll(log.LogFileName()), r.found + kSiteOk + kEnd);
    if (*r.keptAs) {
        EXPECT_EQ(ReadAll(settings.LogPath + '/' + r.keptAs), kManualStart);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CheckLogTakenAwayTest,
    ::testing::Values(
        TakenAwayRow{"Removed", [](const QString&, const QString& path) { QFile::remove(path); },
                     "", ""},
        TakenAwayRow{"Renamed",
                     [](const QString& folder, const QString& path) {
                         QFile::rename(path, folder + "/D-20261207.old");
                     },
                     "", "D-20261207.old"},
        TakenAwayRow{"ReplacedByAnotherFile",
                     [](const QString& folder, const QString& path) {
                         QFile other(folder + "/new.tmp");
                         if (other.open(QIODevice::WriteOnly)) other.write("kept by its owner\r\n");
                         other.close();
                         std::rename(QFile::encodeName(other.fileName()), QFile::encodeName(path));
                     },
                     "kept by its owner\r\n", ""},
        TakenAwayRow{"FolderRemoved",
                     [](const QString& folder, const QString&) {
                         QDir(folder).removeRecursively();
                     },
                     "", ""}),
    [](const auto& info) { return std::string(info.param.label); });

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
