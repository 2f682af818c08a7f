#include "monitor/platform/time_zone.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "tests/support/temp_dir.h"

namespace ossivant {
namespace {

namespace fs = std::filesystem;

// Neither zone keeps summer time.
constexpr int kTokyo = 9 * 3600;
constexpr int kKolkata = 5 * 3600 + 1800;

// The offset from UTC of local time as the monitor sees it, through Qt.
int LocalOffset() {
    return QDateTime(QDate(2026, 1, 15), QTime(12, 0), Qt::UTC).toLocalTime().offsetFromUtc();
}

// Puts a copy of a zone of the system at `path` as the system's own tools
// replace a zone file: a new file renamed over the old one.
void PutZone(const char* zone, const std::string& path) {
    const std::string fresh = path + ".new";
    fs::copy_file(fs::path("/usr/share/zoneinfo") / zone, fresh,
                  fs::copy_options::overwrite_existing);
    fs::rename(fresh, path);
}

std::string Mismatch(const char* when, long got, long wanted) {
    if (got == wanted) return {};
    return std::string(when) + ": " + std::to_string(got) + " instead of " +
           std::to_string(wanted) + "\n";
}

std::string TzIs(const std::string& wanted) {
    const char* tz = std::getenv("TZ");
    if (tz && tz == wanted) return {};
    return "TZ is " + std::string(tz ? tz : "unset") + " instead of " + wanted + "\n";
}

// The time zone is the process's own, so each scenario runs in a child
// process; it tells what went wrong, or nothing.
void RunInChild(const std::function<std::string()>& scenario) {
    EXPECT_EXIT(
        {
            const std::string wrong = scenario();
            std::fputs(wrong.c_str(), stderr);
            std::_Exit(wrong.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(TimeZoneTest, APinnedZoneFileIsReadOnceAndAgainWhenFollowedAfterAChange) {
    test::TempDir dir;
    const std::string zoneFile = dir.file("localtime");
    PutZone("Asia/Tokyo", zoneFile);
    RunInChild([&] {
        ::unsetenv("TZ");
        PinLocalTimeZone(zoneFile.c_str());
        std::string wrong = TzIs(":" + zoneFile);
        wrong += Mismatch("pinned", LocalOffset(), kTokyo);
        PutZone("Asia/Kolkata", zoneFile);
        wrong += Mismatch("changed, not yet followed", LocalOffset(), kTokyo);
        FollowLocalTimeZone();
        wrong += Mismatch("followed", LocalOffset(), kKolkata);
        FollowLocalTimeZone();
        wrong += Mismatch("followed again", LocalOffset(), kKolkata);
        return wrong + TzIs(":" + zoneFile);
    });
}

// A TZ set by the user, and what it means.
struct UserTzRow {
    const char* label;
    bool zoneFile;  // ":" and a copy of Tokyo's zone file; else empty, UTC
    int offset;
};

void PrintTo(const UserTzRow& r, std::ostream* os) {
    *os << r.label;
}

class TimeZoneUserTzTest : public ::testing::TestWithParam<UserTzRow> {};

TEST_P(TimeZoneUserTzTest, IsLeftAsItIs) {
    const UserTzRow& r = GetParam();
    test::TempDir dir;
    PutZone("Asia/Tokyo", dir.file("user"));
    const std::string userTz = r.zoneFile ? ":" + dir.file("user") : "";
    RunInChild([&] {
        ::setenv("TZ", userTz.c_str(), 1);
        PinLocalTimeZone(dir.file("localtime").c_str());
        std::string wrong = TzIs(userTz) + Mismatch("at start", LocalOffset(), r.offset);
        FollowLocalTimeZone();
        return wrong + TzIs(userTz) + Mismatch("after a follow", LocalOffset(), r.offset);
    });
}

INSTANTIATE_TEST_SUITE_P(Rows, TimeZoneUserTzTest,
                         ::testing::Values(UserTzRow{"ZoneFile", true, kTokyo},
                                           UserTzRow{"EmptyMeansUtc", false, 0}),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace ossivant
