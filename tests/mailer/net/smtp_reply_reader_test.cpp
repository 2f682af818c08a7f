#include "mailer/net/smtp_reply_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace quorvane3 {
namespace {

using Outcome = SmtpReplyReader::Outcome;

// Feeds one batch as a single receive; returns the reply code, or 0.
char Feed(SmtpReplyReader& r, const std::string& batch, Outcome* outcome = nullptr) {
    EXPECT_LE(batch.size(), r.FreeSize());
    std::memcpy(r.FreeSpace(), batch.data(), batch.size());
    Outcome o = r.Received(batch.size());
    if (outcome) *outcome = o;
    return o == Outcome::kReply ? r.ReplyCode() : 0;
}

struct SplitCase {
    const char* name;
    std::string replies;  // a stream holding exactly one final line, last
    char code;
};
void PrintTo(const SplitCase& row, std::ostream* os) { *os << row.name; }

class ReplySplitAtEveryOffset : public ::testing::TestWithParam<SplitCase> {};

TEST_P(ReplySplitAtEveryOffset, GivesExactlyOneReplyWhereverTheBytesAreCut) {
    const SplitCase& c = GetParam();
    for (std::size_t at = 0; at <= c.replies.size(); ++at) {
        SmtpReplyReader r;
        std::vector<char> codes;
        for (const std::string& part : {c.replies.substr(0, at), c.replies.substr(at)}) {
            if (char code = Feed(r, part)) codes.push_back(code);
        }
        EXPECT_EQ(codes, std::vector<char>{c.code}) << "cut at " << at;
        EXPECT_TRUE(r.Buffered().empty()) << "cut at " << at;
    }
    SmtpReplyReader r;
    std::vector<char> codes;
    for (char byte : c.replies) {
        if (char code = Feed(r, std::string(1, byte))) codes.push_back(code);
    }
    EXPECT_EQ(codes, std::vector<char>{c.code}) << "byte by byte";
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReplySplitAtEveryOffset,
    ::testing::Values(SplitCase{"SingleLine", "250 ok\r\n", '2'},
                      SplitCase{"TwoLineGreeting", "220-mail.example.org\r\n220 ready\r\n", '2'},
                      SplitCase{"ThreeLines", "250-a\r\n250-bb\r\n250 ccc\r\n", '2'},
                      SplitCase{"StartData", "354 End data with <CR><LF>.<CR><LF>\r\n", '3'},
                      SplitCase{"RefusalWithContinuation", "550-no such user\r\n550 sorry\r\n", '5'},
                      SplitCase{"ShortLine", "421\r\n", '4'}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SmtpReplyReader, AContinuationLineAloneIsDroppedAndTheNextBatchGivesTheReply) {
    SmtpReplyReader r;
    EXPECT_EQ(Feed(r, "220-first\r\n"), 0);
    EXPECT_TRUE(r.Buffered().empty());
    EXPECT_EQ(Feed(r, "220 second\r\n"), '2');
}

TEST(SmtpReplyReader, TwoRepliesInOneBatchComeOnePerBatch) {
    SmtpReplyReader r;
    EXPECT_EQ(Feed(r, "250 ok\r\n354 go\r\n"), '2');
    EXPECT_EQ(r.Buffered(), "354 go\r\n");
    EXPECT_EQ(Feed(r, ""), '3');
    EXPECT_EQ(Feed(r, ""), 0);
}

TEST(SmtpReplyReader, TheFirstCharacterIsReportedWhateverItIs) {
    SmtpReplyReader r;
    EXPECT_EQ(Feed(r, "hello there\r\n"), 'h');
}

TEST(SmtpReplyReader, ALoneLfDoesNotEndALine) {
    SmtpReplyReader r;
    EXPECT_EQ(Feed(r, "250 a\nb"), 0);
    EXPECT_EQ(Feed(r, "\r\n"), '2');
}

TEST(SmtpReplyReader, AFullBufferWithoutALineEndIsAnOverflow) {
    SmtpReplyReader r;
    Outcome o{};
    EXPECT_EQ(Feed(r, std::string(511, 'x'), &o), 0);
    EXPECT_EQ(o, Outcome::kNeedMore);
    Feed(r, "y", &o);
    EXPECT_EQ(o, Outcome::kOverflow);
    EXPECT_EQ(r.FreeSize(), 0u);
}

TEST(SmtpReplyReader, ALineOfExactlyTheBufferSizeIsStillRead) {
    SmtpReplyReader r;
    EXPECT_EQ(Feed(r, "250 " + std::string(506, 'x') + "\r\n"), '2');
}

}  // namespace
}  // namespace quorvane3
