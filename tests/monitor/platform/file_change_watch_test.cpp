#include "monitor/platform/file_change_watch.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "tests/support/temp_dir.h"

namespace ossivant::test {
namespace {

void append(const std::string& path, const char* text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, text, std::strlen(text)), ssize_t(std::strlen(text)));
    ::close(fd);
}

void readAll(const std::string& path) {
    char buffer[64];
    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    while (::read(fd, buffer, sizeof buffer) > 0) {
    }
    ::close(fd);
}

// Each row does something to the watched files and says whether the watch
// must report it, and whether the watch still vouches for the files after.
TEST(FileChangeWatchTest, ReportsEveryWriteAndNeverVouchesForAFileItLost) {
    struct Row {
        const char* name;
        std::function<void(const std::string& a, const std::string& b)> act;
        bool changed;
        bool stillWatching;
    };
    const Row rows[] = {
        {"nothing", [](auto&, auto&) {}, false, true},
        {"read", [](auto& a, auto&) { readAll(a); }, false, true},
        {"append to the second", [](auto&, auto& b) { append(b, "x"); }, true, true},
        {"truncate", [](auto& a, auto&) { ASSERT_EQ(::truncate(a.c_str(), 0), 0); }, true, true},
        {"rename", [](auto& a, auto&) { std::rename(a.c_str(), (a + ".old").c_str()); }, true, false},
        {"remove", [](auto&, auto& b) { std::remove(b.c_str()); }, true, false},
    };
    for (const Row& row : rows) {
        TempDir dir;
        const std::string a = dir.file("a"), b = dir.file("b");
        for (const std::string& path : {a, b}) {
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0600);
            ASSERT_GE(fd, 0);
            ::close(fd);
        }
        FileChangeWatch watch;
        ASSERT_TRUE(watch.watch({a, b})) << row.name;
        EXPECT_FALSE(watch.changed()) << row.name;
        row.act(a, b);
        EXPECT_EQ(watch.changed(), row.changed) << row.name;
        // Asked again with nothing done in between.
        EXPECT_EQ(!watch.changed(), row.stillWatching) << row.name;
        EXPECT_EQ(watch.watching(), row.stillWatching) << row.name;
    }
    // Stopped and set again: what was written meanwhile is not reported,
    // what is written after is.
    TempDir dir;
    const std::string a = dir.file("a");
    ::close(::open(a.c_str(), O_WRONLY | O_CREAT, 0600));
    FileChangeWatch again;
    ASSERT_TRUE(again.watch({a}));
    again.stop();
    EXPECT_TRUE(again.changed());
    append(a, "x");
    ASSERT_TRUE(again.watch({a}));
    EXPECT_FALSE(again.changed());
    append(a, "y");
    EXPECT_TRUE(again.changed());

    FileChangeWatch none;
    EXPECT_TRUE(none.changed());
    EXPECT_FALSE(none.watch({"/nonexistent/file"}));
    EXPECT_TRUE(none.changed());
}

}  // namespace
}  // namespace ossivant::test
