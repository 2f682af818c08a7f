// SortByIndex, MakeDirPath, OpenDocument, the key names and addresses of sites.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "monitor/store/make_dir_path.h"
#include "monitor/store/open_document.h"
#include "monitor/store/site_key.h"
#include "monitor/store/site_record.h"
#include "monitor/store/sort_by_index.h"
#include "tests/support/temp_dir.h"

namespace ossivant::test {
namespace {

std::vector<std::int32_t> indexes(const std::vector<IndexedUrl>& list) {
    std::vector<std::int32_t> out;
    for (const auto& p : list) out.push_back(p.Index);
    return out;
}

TEST(SortByIndex, SortsTheLeadingPairsEitherWay) {
    std::vector<IndexedUrl> list{{5, "e"}, {2, "b"}, {9, "i"}, {0, "none"}, {1, "tail"}};
    SortByIndex(list, 4, true);
    EXPECT_EQ(indexes(list), (std::vector<std::int32_t>{0, 2, 5, 9, 1}));
    EXPECT_EQ(list[0].URL, "none");
    SortByIndex(list, list.size(), false);
    EXPECT_EQ(indexes(list), (std::vector<std::int32_t>{9, 5, 2, 1, 0}));
}

TEST(SortByIndex, EqualIndexesAreOnlyMovedByExchangesWithOthers) {
    // Two imported sites share 2000; the exchange sort decides their order.
    std::vector<IndexedUrl> list{{2000, "a"}, {2000, "b"}, {1, "c"}};
    SortByIndex(list, list.size(), true);
    EXPECT_EQ(list[0].URL, "c");
    EXPECT_EQ(list[1].URL, "b");
    EXPECT_EQ(list[2].URL, "a");
    std::vector<IndexedUrl> same{{3, "x"}, {3, "y"}};
    SortByIndex(same, same.size(), true);
    EXPECT_EQ(same[0].URL, "x");
}

struct PathRow {
    const char* path;
    std::int32_t status;
};
class MakeDirPathRefuses : public ::testing::TestWithParam<PathRow> {};

TEST_P(MakeDirPathRefuses, PathsWithoutADrivePart) {
    EXPECT_EQ(MakeDirPath(GetParam().path), GetParam().status);
}
INSTANTIATE_TEST_SUITE_P(Rows, MakeDirPathRefuses,
                         ::testing::Values(PathRow{"", 3}, PathRow{"   ", 3},
                                           PathRow{"relative/logs", 2}, PathRow{"Logs", 2},
                                           PathRow{"//server/share/logs", 2},
                                           PathRow{" //server/share", 2}));

TEST(MakeDirPath, CreatesEveryMissingFolderAndCollapsesDoubledSeparators) {
    TempDir dir;
    const QString base = QString::fromStdString(dir.path().string());
    EXPECT_EQ(MakeDirPath(" " + base + "/a//b/// "), 0);
    EXPECT_TRUE(QFileInfo(base + "/a").isDir());
    EXPECT_TRUE(QFileInfo(base + "/a/b").isDir());
    EXPECT_EQ(MakeDirPath(base + "/a/b/c"), 0);  // existing folders are fine
    EXPECT_TRUE(QFileInfo(base + "/a/b/c").isDir());
}

TEST(MakeDirPath, AFolderThatCannotBeMadeGivesANonZeroStatus) {
    TempDir dir;
    const QString base = QString::fromStdString(dir.path().string());
    QDir(base).mkdir("x");
    QFile file(base + "/x/file");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(MakeDirPath(base + "/x/file/logs"), kErrorCannotMake);
    EXPECT_FALSE(QFileInfo(base + "/x/file/logs").exists());
}

class FakeShell final : public Shell {
public:
    explicit FakeShell(int result) : result_(result) {}
    int openDocument(const QString& target) override {
        targets << target;
        return result_;
    }
    QStringList targets;

private:
    int result_;
};

TEST(OpenDocument, PassesTheTargetAndMapsTheShellsResult) {
    const std::pair<int, std::int32_t> rows[] = {
        {Shell::kOpened, 0},
        {33, 0},
        {Shell::kErrFileNotFound, 2},
        {32, 32},
        {1, 1},
        {0, 8},  // out of resources is a failure, not a success
    };
    for (const auto& [result, expected] : rows) {
        FakeShell shell(result);
        EXPECT_EQ(OpenDocument(shell, "https://example.org/updates"), expected) << result;
        EXPECT_EQ(shell.targets, QStringList{"https://example.org/updates"});
    }
}

TEST(SiteKeyName, EscapesLowerCasesAndTrims) {
    EXPECT_EQ(EscapeKeyName("a\\b\\C"), "a%5cb%5cC");
    EXPECT_EQ(EscapeKeyName("plain"), "plain");
    EXPECT_EQ(SiteKeyName("  WWW.Example.COM/Path\\X "), "www.example.com/path%5cx");
}

TEST(HttpAddress, HttpsUrlsAreTheirOwnAddressAndLendTheirSchemeToTheIp) {
    struct Row {
        QString field, siteUrl, address;
    };
    const Row rows[] = {
        {"www.example.com/a", {}, "http://www.example.com/a"},
        {"https://www.example.com/a", {}, "https://www.example.com/a"},
        {"HttpS://Example.com", {}, "HttpS://Example.com"},
        {"httpsite.example", {}, "http://httpsite.example"},  // a host name, not a scheme
        {"https:/broken.example", {}, "http://https:/broken.example"},
        {"192.0.2.7", "www.example.com", "http://192.0.2.7"},
        {"192.0.2.7", "HTTPS://www.example.com", "https://192.0.2.7"},
        {"192.0.2.7:8443", " https://www.example.com ", "https://192.0.2.7:8443"},
        {"", {}, "http://"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(HttpAddress(row.field, row.siteUrl), row.address) << row.field.toStdString();
        // What the list shows turns back into the stored URL.
        if (row.siteUrl.isEmpty()) {
            EXPECT_EQ(UrlOfAddress(row.address), row.field);
        }
    }
}

}  // namespace
}  // namespace ossivant::test
