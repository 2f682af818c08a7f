// What the hand-off library's job writer writes, the job reader reads back.
#include <gtest/gtest.h>

#include "handoff/mail_job_writer.h"
#include "mailer/job/job_extension.h"
#include "mailer/job/mail_job.h"
#include "tests/mailer/scratch_dir.h"

namespace quorvane3 {
namespace {

TEST(JobRoundTripTest, ReaderGivesBackEveryField) {
    test::ScratchDir dir;
    handoff::MailJobFields fields;
    fields.charsetCode = 162;
    fields.disposeFlag = -99;
    fields.serverHost = "smtp.example.org";
    fields.serverPort = 2525;
    fields.spareHost = "backup.example.org";
    fields.sparePort = 587;
    fields.toList =
        "Ay\xFE"
        "e <a@x.org>, b@x.org";
    fields.ccList = "Cy <c@x.org>";
    fields.fromField = "Monitor <mon@x.org>, extra";
    fields.replyTo = "desk@x.org";
    fields.subject = "Site down \xFD";
    fields.bodyText = "line 1\r\nline 2\r\r\nend";
    fields.attachmentList = "/tmp/a.gif, /tmp/b.bin";
    fields.controlField = handoff::MakeControlField(dir.path(), 2, "Quorvane 3.0");

    std::string path;
    ASSERT_TRUE(handoff::WriteMailJobFile(dir.path(), fields, path));
    MailJob job;
    ASSERT_TRUE(ReadMailJob(path, job));

    EXPECT_EQ(job.charsetCode, 162u);
    EXPECT_EQ(job.disposeFlag, -99);
    EXPECT_EQ(job.serverHost, fields.serverHost);
    EXPECT_EQ(job.serverPort, 2525);
    EXPECT_EQ(job.spareHost, fields.spareHost);
    EXPECT_EQ(job.sparePort, 587);
    EXPECT_EQ(job.toList, fields.toList);
    EXPECT_EQ(job.ccList, fields.ccList);
    EXPECT_EQ(job.fromField, fields.fromField);
    EXPECT_EQ(job.replyTo, fields.replyTo);
    EXPECT_EQ(job.subject, fields.subject);
    EXPECT_EQ(job.bodyText, "line 1\nline 2\nend");  // every CR removed
    EXPECT_EQ(job.attachmentList, fields.attachmentList);
    EXPECT_EQ(job.senderAddress, "mon@x.org");
    EXPECT_EQ(job.logDir, dir.path());
    EXPECT_EQ(job.logLevel, 2);
    EXPECT_EQ(job.mailerName, "Quorvane 3.0");
    EXPECT_EQ(job.jobPath, path);
}

TEST(JobRoundTripTest, EmptyFieldsAndShortSubject) {
    test::ScratchDir dir;
    handoff::MailJobFields fields;
    fields.serverHost = "10.0.0.1";
    fields.toList = "a@x.org";
    fields.subject = "x";
    fields.attachmentList = "abc";  // below 4 bytes: no attachment
    fields.controlField = dir.path();
    std::string path;
    ASSERT_TRUE(handoff::WriteMailJobFile(dir.path(), fields, path));
    MailJob job;
    ASSERT_TRUE(ReadMailJob(path, job));
    EXPECT_EQ(job.subject, "None");
    EXPECT_EQ(job.attachmentList, "");
    EXPECT_EQ(job.ccList, "");
    EXPECT_EQ(job.logLevel, -1);
    EXPECT_EQ(job.mailerName, "");
    EXPECT_EQ(job.serverPort, 0);
}

}  // namespace
}  // namespace quorvane3

namespace quorvane3 {
namespace {

handoff::MailJobFields SecureFields(const std::string& dir) {
    handoff::MailJobFields fields;
    fields.serverHost = "smtp.example.org";
    fields.serverPort = 587;
    fields.toList = "a@x.org";
    fields.subject = "Site down";
    fields.bodyText = "text";
    fields.controlField = handoff::MakeControlField(dir, 2, "Mailer");
    return fields;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

struct ExtensionRow {
    const char* name;
    uint32_t security;
    std::string user;
    std::string password;
};
void PrintTo(const ExtensionRow& row, std::ostream* os) { *os << row.name; }

class JobExtensionRows : public ::testing::TestWithParam<ExtensionRow> {};

TEST_P(JobExtensionRows, TravelsBesideTheUnchangedFields) {
    const ExtensionRow& row = GetParam();
    test::ScratchDir dir;
    handoff::MailJobFields fields = SecureFields(dir.path());
    handoff::MailJobFields plain = fields;
    fields.security = row.security;
    fields.userName = row.user;
    fields.password = row.password;
    std::string secureBytes, plainBytes;
    ASSERT_TRUE(handoff::EncodeMailJob(fields, secureBytes));
    ASSERT_TRUE(handoff::EncodeMailJob(plain, plainBytes));
    // The head and every text are those of the plain job; the extension only follows.
    EXPECT_EQ(secureBytes.substr(0, plainBytes.size()), plainBytes);

    std::string path;
    ASSERT_TRUE(handoff::WriteMailJobFile(dir.path(), fields, path));
    MailJob job;
    ASSERT_TRUE(ReadMailJob(path, job));
    const bool extended = row.security != 0 || !row.user.empty();
    EXPECT_EQ(secureBytes.size() > plainBytes.size(), extended);
    EXPECT_EQ(job.hasExtension, extended);
    EXPECT_EQ(job.security, row.security);
    EXPECT_EQ(job.userName, extended ? row.user : "");
    EXPECT_EQ(job.password, extended ? row.password : "");
    EXPECT_EQ(job.mailerName, "Mailer");
    EXPECT_EQ(job.bodyText, "text");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, JobExtensionRows,
    ::testing::Values(ExtensionRow{"NoSecurityNoUser", 0, "", "ignored"},
                      ExtensionRow{"StartTlsWithLogin", 1, "ops@example.org", "s3cret"},
                      ExtensionRow{"SslTlsWithoutLogin", 2, "", ""},
                      ExtensionRow{"UserWithoutSecurity", 0, "ops", "pw"},
                      ExtensionRow{"BytesOfEveryKind", 2, std::string("u\0,\xFF", 4),
                                   std::string("Q3X1\0\r\n", 7)}),
    [](const auto& info) { return std::string(info.param.name); });

// A file whose trailer is damaged, or which only seems to end in one, is a
// job as it always was; an unknown security mode keeps the job unsent.
TEST(JobExtension, DamagedTrailersAreNoExtensionAndUnknownModesRefuseTheJob) {
    test::ScratchDir dir;
    handoff::MailJobFields fields = SecureFields(dir.path());
    fields.security = 1;
    fields.userName = "ops";
    fields.password = "pw";
    std::string bytes;
    ASSERT_TRUE(handoff::EncodeMailJob(fields, bytes));
    const std::size_t n = bytes.size();
    struct Case {
        const char* name;
        std::size_t at;  // byte changed, counted from the end
        char value;
        bool read;
        bool extended;
    };
    const Case cases[] = {
        {"magic", 1, 'X', true, false},
        {"offset", 12, 0x7F, true, false},
        {"length", 8, 0x02, true, false},
        {"security 3", 0, 3, false, false},
    };
    for (const Case& c : cases) {
        std::string changed = bytes;
        if (c.at == 0) {
            // The security word is the extension's first.
            const uint32_t offset = static_cast<unsigned char>(changed[n - 12]) |
                                    static_cast<unsigned char>(changed[n - 11]) << 8;
            changed[offset] = c.value;
        } else {
            changed[n - c.at] = c.value;
        }
        const std::string path = dir.path() + "/job-" + c.name;
        WriteBytes(path, changed);
        MailJob job;
        EXPECT_EQ(ReadMailJob(path, job), c.read) << c.name;
        EXPECT_EQ(job.hasExtension, c.extended) << c.name;
        EXPECT_EQ(job.password, "") << c.name;
    }
    // A plain job whose mailer name happens to end like a trailer.
    handoff::MailJobFields plain = SecureFields(dir.path());
    plain.controlField = handoff::MakeControlField(dir.path(), 2, std::string("x\0\0\0\0\0\0\0Q3X1", 13));
    std::string path;
    ASSERT_TRUE(handoff::WriteMailJobFile(dir.path(), plain, path));
    MailJob job;
    ASSERT_TRUE(ReadMailJob(path, job));
    EXPECT_FALSE(job.hasExtension);
    EXPECT_EQ(job.mailerName, "x");
}

}  // namespace
}  // namespace quorvane3

namespace quorvane3 {
namespace {

struct FlagsRow {
    const char* name;
    uint32_t security;
    std::string user;
    uint32_t flags;
    const char* magic;  // the trailer's last four bytes; empty for no extension
};
void PrintTo(const FlagsRow& row, std::ostream* os) { *os << row.name; }

class JobFlagsRows : public ::testing::TestWithParam<FlagsRow> {};

// Only a job with flags takes the newer layout; every other job is written
// byte for byte as before and reads as untracked.
TEST_P(JobFlagsRows, TrackedJobsTakeTheNewTrailerAndOthersKeepTheOld) {
    const FlagsRow& row = GetParam();
    test::ScratchDir dir;
    handoff::MailJobFields fields = SecureFields(dir.path());
    fields.security = row.security;
    fields.userName = row.user;
    fields.password = row.user.empty() ? "" : "pw";
    fields.flags = row.flags;
    std::string bytes;
    ASSERT_TRUE(handoff::EncodeMailJob(fields, bytes));
    const std::string magic(row.magic);
    if (magic.empty()) {
        EXPECT_NE(bytes.substr(bytes.size() - 4, 3), "Q3X");
    } else {
        EXPECT_EQ(bytes.substr(bytes.size() - 4), magic);
    }

    std::string path;
    ASSERT_TRUE(handoff::WriteMailJobFile(dir.path(), fields, path));
    MailJob job;
    ASSERT_TRUE(ReadMailJob(path, job));
    EXPECT_EQ(job.tracked, (row.flags & kJobTracked) != 0);
    EXPECT_EQ(job.security, row.security);
    EXPECT_EQ(job.userName, row.user);
    EXPECT_EQ(job.password, fields.password);
    EXPECT_EQ(job.mailerName, "Mailer");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, JobFlagsRows,
    ::testing::Values(FlagsRow{"PlainUntracked", 0, "", 0, ""},
                      FlagsRow{"SecureUntracked", 1, "ops", 0, "Q3X1"},
                      FlagsRow{"PlainTracked", 0, "", kJobTracked, "Q3X2"},
                      FlagsRow{"SecureTracked", 2, "ops", kJobTracked, "Q3X2"},
                      FlagsRow{"UnknownFlagOnly", 0, "", 4, "Q3X2"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JobFlags, ANewTrailerThatDoesNotAddUpIsNoExtension) {
    test::ScratchDir dir;
    handoff::MailJobFields fields = SecureFields(dir.path());
    fields.flags = kJobTracked;
    std::string bytes;
    ASSERT_TRUE(handoff::EncodeMailJob(fields, bytes));
    // Read as the older layout, the same bytes hold one word too many.
    std::string relabelled = bytes;
    relabelled[relabelled.size() - 1] = '1';
    const std::string path = dir.path() + "/job-relabelled";
    WriteBytes(path, relabelled);
    MailJob job;
    ASSERT_TRUE(ReadMailJob(path, job));
    EXPECT_FALSE(job.hasExtension);
    EXPECT_FALSE(job.tracked);
}

}  // namespace
}  // namespace quorvane3
