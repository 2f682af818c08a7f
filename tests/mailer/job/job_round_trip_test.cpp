// What the hand-off library's job writer writes, the job reader reads back.
#include <gtest/gtest.h>

#include "handoff/mail_job_writer.h"
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
