// The composed message, byte for byte, and the file it is stored in.
#include <gtest/gtest.h>

#include <cstdio>

#include "mailer/job/mail_job.h"
#include "mailer/mime/attachment_part.h"
#include "mailer/mime/compose_message.h"
#include "mailer/mime/text_part.h"
#include "tests/mailer/scratch_dir.h"

namespace quorvane3 {
namespace {

using test::ScratchDir;

const MessageStamp kStamp{"Tue, 22 Dec 1998 19:52:45  +0900",
                          "122298195245.0.0411151673@mail.x.org", "=_ Boundary 0123456789abcdefg"};

MailJob PlainJob() {
    MailJob job;
    job.serverHost = "mail.x.org";
    job.toList = "Ann <ann@x.org>";
    job.fromField = "Monitor <mon@x.org>";
    job.subject = "Weekly report";
    job.bodyText = "Line one\nLine two";
    return job;
}

std::string Compose(const MailJob& job, std::string_view mailer = "Mailer X") {
    StringMessageWriter out;
    WriteMessage(out, job, kStamp, mailer);
    return out.Text();
}

constexpr const char* kHead =
    "Date: Tue, 22 Dec 1998 19:52:45  +0900\n"
    "From: Monitor <mon@x.org>\n"
    "X-Mailer: Mailer X\n"
    "MIME-Version: 1.0\n"
    "To: Ann <ann@x.org>\n"
    "Subject: Weekly report\n"
    "Message-ID: <122298195245.0.0411151673@mail.x.org>\n";

TEST(MessageLayoutTest, PlainMessage) {
    EXPECT_EQ(Compose(PlainJob()), std::string(kHead) +
                                       "Content-Type: text/plain; charset=us-ascii\n"
                                       "Content-Transfer-Encoding: 7bit\n"
                                       "\n"
                                       "Line one\nLine two\n");
}

TEST(MessageLayoutTest, OptionalHeadersInTheirPlaces) {
    MailJob job = PlainJob();
    job.fromField.clear();
    job.replyTo = "desk@x.org";
    job.toList.clear();
    job.ccList = "Cy <cy@x.org>";
    const std::string text = Compose(job);
    EXPECT_NE(text.find("Date: Tue, 22 Dec 1998 19:52:45  +0900\n"
                        "Reply-To: desk@x.org\n"
                        "X-Mailer: Mailer X\n"
                        "MIME-Version: 1.0\n"
                        "To: \n"
                        "Cc: Cy <cy@x.org>\n"
                        "Subject: Weekly report\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("From:"), std::string::npos);
}

TEST(MessageLayoutTest, OneGifAttachment) {
    ScratchDir dir;
    const std::string gif = dir.Write("pic.gif", "GIF89a");
    MailJob job = PlainJob();
    job.attachmentList = gif;
    EXPECT_EQ(Compose(job), std::string(kHead) +
                                "Content-Type: multipart/mixed;\n"
                                "    boundary=\"=_ Boundary 0123456789abcdefg\"\n"
                                "\n"
                                "\n"
                                "--=_ Boundary 0123456789abcdefg\n"
                                "Content-Type: text/plain; charset=us-ascii\n"
                                "Content-Transfer-Encoding: 7bit\n"
                                "\n"
                                "Line one\nLine two\n"
                                "\n"
                                "--=_ Boundary 0123456789abcdefg\n"
                                "Content-Type: image/gif; name=\"pic.gif\"\n"
                                "Content-Transfer-Encoding: base64\n"
                                "Content-Disposition: inline; filename=\"pic.gif\"\n"
                                "\n"
                                "R0lGODlh\n"
                                "\n"
                                "--=_ Boundary 0123456789abcdefg--\n");
}

TEST(MessageLayoutTest, PartsInListOrderAndMissingOnesLeftOut) {
    ScratchDir dir;
    const std::string fwd = dir.Write("report.fwd", "Subject: old\r\n\r\nold text\n");
    const std::string bin = dir.Write("data.bin", "abc");
    MailJob job = PlainJob();
    job.attachmentList =
        fwd + ", " + dir.File("gone.dat") + ",  " + bin + "," + dir.File("gone.jpg");
    const std::string text = Compose(job);
    const std::string tail =
        "Line one\nLine two\n"
        "\n--=_ Boundary 0123456789abcdefg\n"
        "Content-Type: message/rfc822\n"
        "Content-Transfer-Encoding: 7bit\n"
        "Content-Disposition: inline\n"
        "\n"
        "Subject: old\r\n\r\nold text\n"
        "\n--=_ Boundary 0123456789abcdefg\n"
        "Content-Type: application/octet-stream; name=\"data.bin\"\n"
        "Content-Transfer-Encoding: base64\n"
        "Content-Disposition: attachment; filename=\"data.bin\"\n"
        "\n"
        "YWJj\n"
        "\n--=_ Boundary 0123456789abcdefg\n"
        "Content-Type: image/jpeg; name=\"gone.jpg\"\n"
        "Content-Transfer-Encoding: base64\n"
        "Content-Disposition: inline; filename=\"gone.jpg\"\n"
        "\n"
        "\n--=_ Boundary 0123456789abcdefg--\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST(MessageLayoutTest, LineBreaksInSubjectAndMailerBecomeBlanks) {
    MailJob job = PlainJob();
    job.subject = "Alert\r\nBcc: victim@x.org\n\nInjected body";
    const std::string text = Compose(job, "Mailer\rX-Spam: 1");
    EXPECT_NE(text.find("\nSubject: Alert  Bcc: victim@x.org  Injected body\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("\nX-Mailer: Mailer X-Spam: 1\n"), std::string::npos) << text;
    // The header block still ends only before the text part.
    const std::string head = text.substr(0, text.find("\n\n"));
    EXPECT_NE(head.find("Content-Transfer-Encoding: 7bit"), std::string::npos);
    EXPECT_EQ(head.find("\nBcc:"), std::string::npos);
}

TEST(MessageLayoutTest, EncodedSubjectAndFileName) {
    ScratchDir dir;
    const std::string file = dir.Write("r\xE9sum\xE9.txt", "x");
    MailJob job = PlainJob();
    job.subject = "Caf\xE9 down";
    job.attachmentList = file;
    const std::string text = Compose(job);
    EXPECT_NE(text.find("\nSubject: =?iso-8859-1?Q?Caf=E9_down?=\n"), std::string::npos) << text;
    EXPECT_NE(text.find("name=\"=?iso-8859-1?Q?r=E9sum=E9=2Etxt?=\""), std::string::npos) << text;
}

struct TextPartRow {
    const char* name;
    uint32_t charset;
    std::string body;
    std::string expected;
};

void PrintTo(const TextPartRow& row, std::ostream* os) {
    *os << row.name;
}

class TextPartTest : public ::testing::TestWithParam<TextPartRow> {};

TEST_P(TextPartTest, LabelAndBody) {
    StringMessageWriter out;
    WriteTextPart(out, GetParam().body, GetParam().charset);
    EXPECT_EQ(out.Text(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TextPartTest,
    ::testing::Values(
        TextPartRow{"SevenBitAlwaysUsAscii", 129, "plain",
                    "Content-Type: text/plain; charset=us-ascii\nContent-Transfer-Encoding: "
                    "7bit\n\nplain\n"},
        TextPartRow{"Latin1QuotedPrintable", 0, "caf\xE9\nok",
                    "Content-Type: text/plain; charset=iso-8859-1\n"
                    "Content-Transfer-Encoding: quoted-printable\n\ncaf=E9=0Aok\n"},
        TextPartRow{"KoreanQuotedPrintable", 129, "\xB0\xA1",
                    "Content-Type: text/plain; charset=EUC-KR\n"
                    "Content-Transfer-Encoding: quoted-printable\n\n=B0=A1\n"},
        TextPartRow{
            "ShiftJisToIso2022Jp", 128,
            "A\x82\xA0"
            "B",
            "Content-Type: text/plain; charset=iso-2022-jp\nContent-Transfer-Encoding: 7bit\n\n"
            "A\x1B$B$\"\x1B(JB\n"},
        TextPartRow{"UnknownCharsetSentAsItIs", 186, "caf\xE9",
                    "Content-Type: text/plain; charset=us-ascii\nContent-Transfer-Encoding: "
                    "7bit\n\ncaf\xE9\n"}),
    [](const auto& info) { return info.param.name; });

struct KindRow {
    const char* name;
    const char* file;
    const char* content;  // null: no such file
    AttachmentKind expected;
};

void PrintTo(const KindRow& row, std::ostream* os) {
    *os << row.name;
}

class AttachmentKindTest : public ::testing::TestWithParam<KindRow> {};

TEST_P(AttachmentKindTest, ByNameThenByMagic) {
    ScratchDir dir;
    const std::string path = GetParam().content ? dir.Write(GetParam().file, GetParam().content)
                                                : dir.File(GetParam().file);
    EXPECT_EQ(AttachmentKindOf(path), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AttachmentKindTest,
    ::testing::Values(
        KindRow{"GifByName", "a.GIF", "xyz", AttachmentKind::kGif},
        KindRow{"GifsCountsAsGif", "a.gifs", "xyz", AttachmentKind::kGif},
        KindRow{"JpgByName", "a.jpg", nullptr, AttachmentKind::kJpeg},
        KindRow{"JpegByName", "a.JPEG", "xyz", AttachmentKind::kJpeg},
        KindRow{"Forwarded", "report.fwd", "x", AttachmentKind::kForwarded},
        KindRow{"GifByMagic", "picture", "GIF89a", AttachmentKind::kGif},
        KindRow{"JpegMagicIsOther", "photo.dat", "\xFF\xD8\xFF", AttachmentKind::kOther},
        KindRow{"ShortFileIsOther", "t.txt", "GI", AttachmentKind::kOther},
        KindRow{"MissingUnknownKind", "gone.dat", nullptr, AttachmentKind::kUnreadable}),
    [](const auto& info) { return info.param.name; });

TEST(AttachmentListTest, SplitsSkipsBlanksAndDropsOverlongItems) {
    const std::string longItem(260, 'p');
    EXPECT_EQ(
        SplitAttachmentList("  /a/b.gif,/c d.txt,, " + longItem + "," + std::string(259, 'q')),
        (std::vector<std::string>{"/a/b.gif", "/c d.txt", std::string(259, 'q')}));
    EXPECT_EQ(AttachmentFileName("/tmp/x/report.pdf"), "report.pdf");
    EXPECT_EQ(AttachmentFileName("plain"), "plain");
}

TEST(CrLfFileWriterTest, StoresEveryLineEndAsCrLf) {
    ScratchDir dir;
    const std::string path = dir.File("msg");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    {
        CrLfFileWriter writer(file);
        writer.Put("a\nb\r\nc\rd\r");  // the last CR may start a CR LF of the next piece
        writer.Put("\ne\r\r\n");
        writer.Put("end\r");
    }
    std::fclose(file);
    EXPECT_EQ(test::ReadAll(path), "a\r\nb\r\nc\rd\r\ne\r\r\nend\r");
}

}  // namespace
}  // namespace quorvane3
