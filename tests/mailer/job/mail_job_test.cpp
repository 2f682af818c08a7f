#include "mailer/job/mail_job.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <string>

#include "tests/mailer/scratch_dir.h"

namespace quorvane3 {
namespace {

// Field slots of the word table: offset word index, length word index.
enum Field { kServer, kSpare, kTo, kCc, kFrom, kReply, kSubject, kBody, kAttach, kControl };
constexpr std::array<int, 10> kOffsetWord = {2, 5, 8, 10, 12, 14, 16, 18, 20, 22};

// Writes job files: a 96-byte head, then the texts at offsets of the test's choosing.
class JobFileBuilder {
public:
    JobFileBuilder() : bytes_(96, '\0') {}

    JobFileBuilder& Word(int index, uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes_[4 * index + i] = char((value >> (8 * i)) & 0xFF);
        return *this;
    }
    // Appends the text at the end of the file and points the field at it.
    JobFileBuilder& Text(Field field, std::string_view text) {
        Word(kOffsetWord[field], uint32_t(bytes_.size()));
        Word(kOffsetWord[field] + 1, uint32_t(text.size()));
        bytes_.append(text);
        return *this;
    }
    // Points the field at any offset and length, in or outside the file.
    JobFileBuilder& Place(Field field, uint32_t offset, uint32_t length) {
        return Word(kOffsetWord[field], offset).Word(kOffsetWord[field] + 1, length);
    }
    JobFileBuilder& Raw(std::string_view bytes) {
        bytes_.append(bytes);
        return *this;
    }
    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
};

JobFileBuilder CompleteJob() {
    JobFileBuilder job;
    job.Word(0, 128).Word(1, uint32_t(-99)).Word(4, 0x12345).Word(7, 0xFFFF0019);
    // Stored back to front, to show that only offsets matter.
    job.Text(kControl, "/var/spool/q3,2,Mailer X")
        .Text(kAttach, "/tmp/a.gif")
        .Text(kBody, "line 1\r\nline 2\r\r\n")
        .Text(kSubject, "Weekly report")
        .Text(kReply, "")
        .Text(kFrom, "Ops Desk <ops@example.com>, Other")
        .Text(kCc, "cc@example.com")
        .Text(kTo, "Ann <ann@example.com>, Bob <bob@example.com>")
        .Text(kSpare, "spare.example.com")
        .Text(kServer, "127.0.0.1");
    return job;
}

TEST(ReadMailJob, FillsEveryFieldAndDerivedValue) {
    test::ScratchDir dir;
    const std::string path = dir.Write("job.dat", CompleteJob().bytes());
    MailJob job;
    ASSERT_TRUE(ReadMailJob(path, job));
    EXPECT_EQ(job.charsetCode, 128u);
    EXPECT_EQ(job.disposeFlag, -99);
    EXPECT_EQ(job.serverHost, "127.0.0.1");
    EXPECT_EQ(job.serverPort, 0x2345);
    EXPECT_EQ(job.spareHost, "spare.example.com");
    EXPECT_EQ(job.sparePort, 0x19);
    EXPECT_EQ(job.toList, "Ann <ann@example.com>, Bob <bob@example.com>");
    EXPECT_EQ(job.ccList, "cc@example.com");
    EXPECT_EQ(job.fromField, "Ops Desk <ops@example.com>, Other");
    EXPECT_EQ(job.senderAddress, "ops@example.com");
    EXPECT_EQ(job.replyTo, "");
    EXPECT_EQ(job.subject, "Weekly report");
    EXPECT_EQ(job.bodyText, "line 1\nline 2\n");
    EXPECT_EQ(job.attachmentList, "/tmp/a.gif");
    EXPECT_EQ(job.logDir, "/var/spool/q3");
    EXPECT_EQ(job.logLevel, 2);
    EXPECT_EQ(job.mailerName, "Mailer X");
    EXPECT_EQ(job.jobPath, path);
}

TEST(ReadMailJob, OverlappingFieldsAreEachReadByTheirOwnOffsetAndLength) {
    test::ScratchDir dir;
    JobFileBuilder builder = CompleteJob();
    const uint32_t at = uint32_t(builder.bytes().size());
    builder.Raw("someone@example.com");
    builder.Place(kTo, at, 19).Place(kFrom, at, 19).Place(kCc, at + 8, 11).Place(kSubject, at, 7);
    MailJob job;
    ASSERT_TRUE(ReadMailJob(dir.Write("job.dat", builder.bytes()), job));
    EXPECT_EQ(job.toList, "someone@example.com");
    EXPECT_EQ(job.senderAddress, "someone@example.com");
    EXPECT_EQ(job.ccList, "example.com");
    EXPECT_EQ(job.subject, "someone");
}

struct SubjectRow {
    std::string stored;
    std::string expected;
};
class SubjectRule : public testing::TestWithParam<SubjectRow> {};

TEST_P(SubjectRule, ShortSubjectsBecomeNone) {
    test::ScratchDir dir;
    MailJob job;
    ASSERT_TRUE(
        ReadMailJob(dir.Write("job.dat", CompleteJob().Text(kSubject, GetParam().stored).bytes()),
                    job));
    EXPECT_EQ(job.subject, GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Rows, SubjectRule,
                         testing::Values(SubjectRow{"", "None"}, SubjectRow{"x", "None"},
                                         SubjectRow{"xy", "xy"},
                                         // The stored length decides, the text ends at a NUL.
                                         SubjectRow{std::string("\0abc", 4), ""},
                                         SubjectRow{std::string("x\0", 2), "x"}));

TEST(ReadMailJob, AttachmentFieldBelowFourBytesIsNotRead) {
    test::ScratchDir dir;
    dir.Write("a.z", "data");
    MailJob job;
    // Three bytes pointing outside the file: not read, so no failure either.
    ASSERT_TRUE(ReadMailJob(
        dir.Write("job1.dat", CompleteJob().Place(kAttach, 0xFFFFFF00u, 3).bytes()), job));
    EXPECT_EQ(job.attachmentList, "");
    ASSERT_TRUE(ReadMailJob(dir.Write("job2.dat", CompleteJob().Text(kAttach, "a.z").bytes()), job));
    EXPECT_EQ(job.attachmentList, "");
    ASSERT_TRUE(ReadMailJob(dir.Write("job3.dat", CompleteJob().Text(kAttach, "/a.z").bytes()), job));
    EXPECT_EQ(job.attachmentList, "/a.z");
}

struct BadFileRow {
    const char* name;
    std::string bytes;
};
class BadJobFile : public testing::TestWithParam<BadFileRow> {};

TEST_P(BadJobFile, FailsCleanly) {
    test::ScratchDir dir;
    MailJob job;
    const std::string path = dir.Write("job.dat", GetParam().bytes);
    EXPECT_FALSE(ReadMailJob(path, job));
    EXPECT_EQ(test::ReadAll(path), GetParam().bytes) << "the job file must stay as it was";
}

std::string HeadOnly(std::size_t size) { return CompleteJob().bytes().substr(0, size); }

INSTANTIATE_TEST_SUITE_P(
    Rows, BadJobFile,
    testing::Values(
        BadFileRow{"Empty", ""}, BadFileRow{"CharsetOnly", HeadOnly(4)},
        BadFileRow{"HeadCutShort", HeadOnly(95)},
        BadFileRow{"OffsetPastEnd", CompleteJob().Place(kServer, 5000, 1).bytes()},
        BadFileRow{"LengthPastEnd", CompleteJob().Place(kBody, 96, 100000).bytes()},
        BadFileRow{"LengthNear4GiB", CompleteJob().Place(kSpare, 96, 0xFFFFFFF0u).bytes()},
        BadFileRow{"OffsetPlusLengthWraps", CompleteJob().Place(kTo, 0xFFFFFFFFu, 2).bytes()},
        BadFileRow{"ControlFieldPastEnd", CompleteJob().Place(kControl, 100, 0x7FFFFFFF).bytes()},
        BadFileRow{"AttachmentPastEnd", CompleteJob().Place(kAttach, 96, 0x10000).bytes()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadMailJob, KeepsWhatWasReadBeforeAFailure) {
    test::ScratchDir dir;
    MailJob job;
    const auto bytes = CompleteJob().Place(kBody, 0x40000000u, 10).bytes();
    EXPECT_FALSE(ReadMailJob(dir.Write("job.dat", bytes), job));
    EXPECT_EQ(job.serverHost, "127.0.0.1");
    EXPECT_EQ(job.senderAddress, "ops@example.com");
    EXPECT_EQ(job.subject, "Weekly report");
    EXPECT_EQ(job.bodyText, "");
    EXPECT_EQ(job.logDir, "");
    EXPECT_EQ(job.logLevel, -1);
}

TEST(ReadMailJob, RefusesWhatIsNotARegularFile) {
    test::ScratchDir dir;
    MailJob job;
    EXPECT_FALSE(ReadMailJob(dir.File("missing.dat"), job));
    EXPECT_FALSE(ReadMailJob(dir.path(), job));
    const std::string fifo = dir.File("fifo.dat");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(ReadMailJob(fifo, job));  // must return, not wait for a writer
    EXPECT_FALSE(ReadMailJob("", job));
}

TEST(ReadMailJob, RefusesAPathLongerThan259Bytes) {
    test::ScratchDir dir;
    const std::string bytes = CompleteJob().bytes();
    std::string name(259 - dir.path().size() - 1, 'j');
    MailJob job;
    EXPECT_TRUE(ReadMailJob(dir.Write(name, bytes), job));
    EXPECT_EQ(job.jobPath.size(), 259u);
    // The same path one byte longer; cut to 259 it would name the file above.
    EXPECT_FALSE(ReadMailJob(dir.Write(name + "j", bytes), job));
}

}  // namespace
}  // namespace quorvane3
