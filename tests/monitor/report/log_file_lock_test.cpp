#include "monitor/report/log_file_lock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <map>
#include <vector>

#include "monitor/report/check_log.h"
#include "monitor/report/log_line.h"
#include "tests/support/fake_clock.h"

namespace ossivant {
namespace {

// One line appended through a file opened for it alone.
bool AppendLocked(const QString& path, const QByteArray& line,
                  std::chrono::milliseconds lockWait = kLogLockWait) {
    HeldLogFile file;
    return file.open(path) && file.append(line, lockWait);
}

constexpr int kWriters = 4;
constexpr int kLinesEach = 30;
constexpr qsizetype kLabelSize = 64 * 1024;  // long lines make a torn one likely

// One writer process: its own CheckLog appending data lines whose site label
// is one letter repeated.
[[noreturn]] void RunWriter(const QString& folder, char letter) {
    Settings settings;
    settings.LogPath = folder;
    settings.LogPeriod = 1;
    test::FakeClock clock;
    CheckLog log(settings, clock);
    log.GetLogFileName(false);
    const LogRecord record{clock.now(), QString(kLabelSize, QChar(letter)), "Site OK", "", 1};
    for (int i = 0; i < kLinesEach; ++i) log.WriteLog(false, false, false, record);
    ::_exit(0);
}

// What a reader taking the shared lock sees at the end of the file: the
// last two bytes, or nothing while the file is empty or missing.
QByteArray TailUnderSharedLock(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    QByteArray tail;
    struct stat st {};
    if (::flock(fd, LOCK_SH) == 0 && ::fstat(fd, &st) == 0 && st.st_size >= 2) {
        tail.resize(2);
        if (::pread(fd, tail.data(), 2, st.st_size - 2) != 2) tail = "??";
    }
    ::close(fd);
    return tail;
}

bool IsWholeLine(const QByteArray& line) {
    const QList<QByteArray> fields = line.split(',');
    if (fields.size() != 6 || fields[1].size() != kLabelSize) return false;
    return fields[1].count(fields[1].front()) == kLabelSize && fields[2] == "Site OK";
}

TEST(LogFileLockTest, ConcurrentWritersAndAReaderOnlyEverSeeWholeLines) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.path() + "/D-20260314.ovl";
    (void)LogDateTimeText(QDateTime::currentDateTime());  // settle the locale before forking

    std::vector<pid_t> writers;
    for (int i = 0; i < kWriters; ++i) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) RunWriter(dir.path(), static_cast<char>('a' + i));
        writers.push_back(pid);
    }

    // Look at the file under the shared lock while the writers run: it always
    // ends at a line end. Every writer is reaped, even after a torn line.
    int looks = 0;
    QByteArray badTail;
    int running = kWriters;
    while (running > 0) {
        if (const QByteArray tail = TailUnderSharedLock(path); !tail.isEmpty()) {
            ++looks;
            if (tail != "\r\n" && badTail.isEmpty()) badTail = tail;
        }
        int status = 0;
        for (pid_t& pid : writers) {
            if (pid > 0 && ::waitpid(pid, &status, WNOHANG) == pid) {
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
                pid = 0;
                --running;
            }
        }
    }
    EXPECT_GT(looks, 0);
    ASSERT_TRUE(badTail.isEmpty()) << "the file ended in " << badTail.toHex().constData();

    const auto content = ReadLocked(path);
    ASSERT_TRUE(content);
    ASSERT_TRUE(content->endsWith("\r\n"));
    QList<QByteArray> lines = content->split('\n');
    lines.removeLast();
    ASSERT_EQ(lines.size(), kWriters * kLinesEach);
    std::map<char, int> linesBy;  // lines per writer
    for (QByteArray& line : lines) {
        ASSERT_TRUE(line.endsWith('\r'));
        line.chop(1);
        ASSERT_TRUE(IsWholeLine(line)) << line.left(80).constData();
        ++linesBy[line.at(line.indexOf(',') + 1)];
    }
    for (int i = 0; i < kWriters; ++i) EXPECT_EQ(linesBy[static_cast<char>('a' + i)], kLinesEach);
}

TEST(LogFileLockTest, ALockThatIsNeverReleasedDelaysTheLineButDoesNotLoseIt) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/D-20260314.ovl";
    const int holder =
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_SH), 0);  // a viewer that hangs while reading

    EXPECT_TRUE(AppendLocked(path, "[END CHECK]\r\n", std::chrono::milliseconds(30)));
    ::close(holder);
    EXPECT_EQ(ReadLocked(path), QByteArray("[END CHECK]\r\n"));
}

TEST(LogFileLockTest, UnwritablePlacesReportFailure) {
    QTemporaryDir dir;
    EXPECT_FALSE(AppendLocked("", "x\r\n"));
    EXPECT_FALSE(AppendLocked(dir.path() + "/missing/D-20260314.ovl", "x\r\n"));
    EXPECT_FALSE(AppendLocked(dir.path(), "x\r\n"));  // a folder, not a file
    EXPECT_FALSE(ReadLocked(dir.path() + "/none.ovl"));
}

}  // namespace
}  // namespace ossivant
