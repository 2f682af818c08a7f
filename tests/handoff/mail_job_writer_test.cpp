#include "handoff/mail_job_writer.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

#include "tests/handoff/handoff_test_util.h"

namespace {

using handoff_test::WordLE;

TEST(MailJobWriterTest, EncodesEveryFieldAtItsOffset) {
    handoff::MailJobFields job;
    job.charsetCode = 128;
    job.disposeFlag = -99;
    job.serverHost = "smtp";
    job.serverPort = 70000;  // written as given; the reader keeps the low 16 bits
    job.spareHost = "sp";
    job.sparePort = -1;
    job.toList = "to@x";
    job.ccList = "";
    job.fromField = "F <f@x>";
    job.replyTo = "r";
    job.subject = "Subj";
    job.bodyText = "a\r\nb";
    job.attachmentList = "/tmp/a.gif";
    job.controlField = "/s,2,M";

    std::string expected;
    expected += WordLE(128) + WordLE(0xFFFFFF9D);
    expected += WordLE(96) + WordLE(4) + WordLE(70000);        // serverHost, port
    expected += WordLE(100) + WordLE(2) + WordLE(0xFFFFFFFF);  // spareHost, port
    expected += WordLE(102) + WordLE(4);                       // toList
    expected += WordLE(106) + WordLE(0);                       // ccList
    expected += WordLE(106) + WordLE(7);                       // fromField
    expected += WordLE(113) + WordLE(1);                       // replyTo
    expected += WordLE(114) + WordLE(4);                       // subject
    expected += WordLE(118) + WordLE(4);                       // bodyText
    expected += WordLE(122) + WordLE(10);                      // attachmentList
    expected += WordLE(132) + WordLE(6);                       // controlField
    ASSERT_EQ(expected.size(), 96u);
    expected += "smtpspto@xF <f@x>rSubja\r\nb/tmp/a.gif/s,2,M";

    std::string bytes;
    ASSERT_TRUE(handoff::EncodeMailJob(job, bytes));
    EXPECT_EQ(bytes, expected);
}

TEST(MailJobWriterTest, ControlFieldKeepsTheMailerNameReadable) {
    // The reader takes the mailer name after the last comma and keeps 259 bytes.
    EXPECT_EQ(handoff::MakeControlField("/spool", 2, "Quorvane 3.0"), "/spool,2,Quorvane 3.0");
    EXPECT_EQ(handoff::MakeControlField("/spool", 2, ""), "/spool,2,");
    EXPECT_EQ(handoff::MakeControlField("/spool", 2, "A, B,C"), "/spool,2,A  B C");
    std::string longName(300, 'm');
    EXPECT_EQ(handoff::MakeControlField("/s", 2, longName), "/s,2," + std::string(259, 'm'));
}

TEST(MailJobWriterTest, ConcurrentWritersGetDistinctFiles) {
    handoff_test::TempDir dir;
    constexpr int kThreads = 8;
    constexpr int kPerThread = 16;
    std::vector<std::vector<std::string>> paths(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                handoff::MailJobFields job;
                job.subject = std::to_string(t * kPerThread + i);
                std::string path;
                if (handoff::WriteMailJobFile(dir.path(), job, path)) paths[t].push_back(path);
            }
        });
    }
    for (auto& thread : threads) thread.join();

    std::set<std::string> distinct;
    std::set<std::string> subjects;
    for (const auto& list : paths) {
        for (const auto& path : list) {
            distinct.insert(path);
            std::string bytes = handoff_test::ReadFile(path);
            ASSERT_GE(bytes.size(), 96u);
            subjects.insert(bytes.substr(96));  // only the subject is not empty
            EXPECT_EQ(handoff_test::ModeOf(path), 0600u);
        }
    }
    EXPECT_EQ(distinct.size(), static_cast<std::size_t>(kThreads * kPerThread));
    EXPECT_EQ(subjects.size(), static_cast<std::size_t>(kThreads * kPerThread));
}

TEST(MailJobWriterTest, UnwritableFolderLeavesNothing) {
    handoff_test::TempDir dir;
    std::string path;
    EXPECT_FALSE(handoff::WriteMailJobFile(dir / "missing", handoff::MailJobFields{}, path));
    EXPECT_TRUE(path.empty());
}

}  // namespace
