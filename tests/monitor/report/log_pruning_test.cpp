#include "monitor/report/log_pruning.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <vector>

namespace ossivant {
namespace {

// A name ending in '/' is made as a folder.
void MakeEntries(const QString& folder, const std::vector<std::string>& names) {
    for (const std::string& n : names) {
        const QString name = QString::fromStdString(n);
        if (name.endsWith(u'/')) {
            ASSERT_TRUE(QDir(folder).mkdir(name.chopped(1)));
        } else {
            QFile f(folder + u'/' + name);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
    }
}

std::vector<std::string> Entries(const QString& folder) {
    std::vector<std::string> out;
    for (const QString& n :
         QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name))
        out.push_back(n.toStdString());
    return out;
}

struct PruneRow {
    const char* label;
    std::vector<std::string> files;
    int maxFiles;
    std::string current;
    std::vector<std::string> remaining;  // in name order, case first
};

void PrintTo(const PruneRow& r, std::ostream* os) {
    *os << r.label;
}

class PruneTest : public ::testing::TestWithParam<PruneRow> {};

TEST_P(PruneTest, KeepsAtMostMaxFiles) {
    const PruneRow& r = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    MakeEntries(dir.path(), r.files);
    const int before = static_cast<int>(Entries(dir.path()).size());
    const int deleted = PruneLogFiles(dir.path(), r.maxFiles,
                                      dir.path() + u'/' + QString::fromStdString(r.current));
    EXPECT_EQ(Entries(dir.path()), r.remaining);
    EXPECT_EQ(deleted, before - static_cast<int>(r.remaining.size()));
}

const std::vector<std::string> kEightWeek = {"D-20261201.ovl", "D-20261202.ovl", "D-20261203.ovl",
                                             "D-20261204.ovl", "D-20261205.ovl", "D-20261206.ovl",
                                             "D-20261207.ovl", "D-20261208.ovl"};

INSTANTIATE_TEST_SUITE_P(
    Rows, PruneTest,
    ::testing::Values(
        // First cycle of a new day: room is made for the file still to come.
        PruneRow{"FiveOldMaxOne",
                 {"D-20261201.ovl", "D-20261202.ovl", "D-20261203.ovl", "D-20261204.ovl",
                  "D-20261205.ovl"},
                 1,
                 "D-20261207.ovl",
                 {}},
        PruneRow{"MoreWithCurrent",
                 kEightWeek,
                 7,
                 "D-20261208.ovl",
                 {"D-20261202.ovl", "D-20261203.ovl", "D-20261204.ovl", "D-20261205.ovl",
                  "D-20261206.ovl", "D-20261207.ovl", "D-20261208.ovl"}},
        PruneRow{"MoreWithoutCurrent",
                 kEightWeek,
                 7,
                 "D-20261209.ovl",
                 {"D-20261203.ovl", "D-20261204.ovl", "D-20261205.ovl", "D-20261206.ovl",
                  "D-20261207.ovl", "D-20261208.ovl"}},
        // Not over the limit: nothing goes, even with the current file missing.
        PruneRow{"ExactlyMaxWithoutCurrent", kEightWeek, 8, "D-20261209.ovl", kEightWeek},
        PruneRow{
            "ZeroMaxDeletesNothing", {"D-20261201.ovl"}, 0, "D-20261207.ovl", {"D-20261201.ovl"}},
        // Daily and weekly files count alike; names compare without case, so
        // "d-" sorts with "D-" before "W-".
        PruneRow{"BothPeriodsWithoutCase",
                 {"W-20250105.ovl", "d-20261201.ovl", "D-20261202.ovl", "W-20261129.ovl"},
                 2,
                 "W-20261129.ovl",
                 {"W-20250105.ovl", "W-20261129.ovl"}},
        PruneRow{"UpperCaseExtensionCounts",
                 {"D-20261201.OVL", "D-20261202.ovl"},
                 1,
                 "D-20261202.ovl",
                 {"D-20261202.ovl"}},
        // Anything that is not a "*.ovl" file is neither counted nor deleted.
        PruneRow{"OtherEntriesLeftAlone",
                 {"notes.txt", "D-20261201.ovl.bak", "ovl", "archive.ovl/", "D-20261201.ovl",
                  "D-20261202.ovl", "W-20261129.ovl"},
                 2,
                 "W-20261129.ovl",
                 {"D-20261201.ovl.bak", "D-20261202.ovl", "W-20261129.ovl", "archive.ovl",
                  "notes.txt", "ovl"}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(PruneTest, MissingFolderDeletesNothing) {
    QTemporaryDir dir;
    const QString gone = dir.path() + "/gone";
    EXPECT_EQ(PruneLogFiles(gone, 1, gone + "/D-20261207.ovl"), 0);
    EXPECT_FALSE(QDir(gone).exists());
}

}  // namespace
}  // namespace ossivant
