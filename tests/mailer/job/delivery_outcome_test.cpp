#include "mailer/job/delivery_outcome.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/mailer/scratch_dir.h"

namespace quorvane3 {
namespace {

using test::ReadAll;
using test::ScratchDir;

struct RoundTripCase {
    DeliveryState state;
    std::string cause;
    std::int64_t finishedAt;
};

class OutcomeRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(OutcomeRoundTrip, ReadsBackWhatWasWritten) {
    ScratchDir dir;
    const std::string job = dir.File("job1.q3");
    const RoundTripCase& c = GetParam();
    ASSERT_TRUE(WriteOutcomeRecord(job, {c.state, c.cause, c.finishedAt}));
    const auto read = ReadOutcomeRecord(job);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->state, c.state);
    EXPECT_EQ(read->cause, c.cause);
    EXPECT_EQ(read->finishedAt, c.finishedAt);
}

INSTANTIATE_TEST_SUITE_P(
    States, OutcomeRoundTrip,
    testing::Values(RoundTripCase{DeliveryState::kDelivered, "", 1765262400},
                    RoundTripCase{DeliveryState::kMayPass, "451 4.3.0 try again later", 1},
                    RoundTripCase{DeliveryState::kPermanent, "550 5.1.1 <bob@x.example>: unknown",
                                  4102444800},
                    // Latin-1 bytes pass through as the server sent them.
                    RoundTripCase{DeliveryState::kPermanent, "554 Empf\xe4nger abgelehnt", 0}));

TEST(OutcomeRecord, SitsBesideTheJobInTheDocumentedText) {
    ScratchDir dir;
    const std::string job = dir.File("job2.q3");
    EXPECT_EQ(OutcomeRecordPath(job), job + ".outcome");
    ASSERT_TRUE(WriteOutcomeRecord(job, {DeliveryState::kMayPass, "421 closing\r\nbye", 42}));
    EXPECT_EQ(ReadAll(job + ".outcome"),
              "Q3OUTCOME 1\nstate=may-pass\nfinished=42\ncause=421 closing  bye\n");
}

class BrokenOutcomeRecord : public testing::TestWithParam<std::string> {};

TEST_P(BrokenOutcomeRecord, ReadsAsNothing) {
    ScratchDir dir;
    const std::string job = dir.File("job3.q3");
    dir.Write("job3.q3.outcome", GetParam());
    EXPECT_FALSE(ReadOutcomeRecord(job).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    HalfWrittenOrGarbage, BrokenOutcomeRecord,
    testing::Values("", "Q3OUTCOME 1\n", "Q3OUTCOME 1\nstate=delivered\nfinished=5\n",
                    "Q3OUTCOME 1\nstate=delivered\nfinished=5\ncause=",
                    "Q3OUTCOME 2\nstate=delivered\nfinished=5\ncause=\n",
                    "Q3OUTCOME 1\nstate=lost\nfinished=5\ncause=\n",
                    "Q3OUTCOME 1\nstate=delivered\nfinished=5s\ncause=\n",
                    "Q3OUTCOME 1\nstate=delivered\nfinished=\ncause=\n",
                    "Q3OUTCOME 1\ncause=\nstate=delivered\nfinished=5\n",
                    "Q3OUTCOME 1\nstate=delivered\nfinished=5\ncause=\nextra\n",
                    std::string(70000, 'x')));

TEST(OutcomeRecord, MissingRecordReadsAsNothing) {
    ScratchDir dir;
    EXPECT_FALSE(ReadOutcomeRecord(dir.File("never-sent.q3")).has_value());
}

TEST(OutcomeRecord, ANewRecordReplacesTheOldWholeAndLeavesNoTemporaryFile) {
    ScratchDir dir;
    const std::string job = dir.File("job4.q3");
    ASSERT_TRUE(WriteOutcomeRecord(job, {DeliveryState::kMayPass, std::string(500, 'w'), 7}));
    ASSERT_TRUE(WriteOutcomeRecord(job, {DeliveryState::kDelivered, "", 8}));
    const auto read = ReadOutcomeRecord(job);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->state, DeliveryState::kDelivered);
    EXPECT_EQ(read->finishedAt, 8);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        EXPECT_EQ(entry.path().filename(), "job4.q3.outcome");
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST(OutcomeRecord, WritingIntoAMissingFolderFails) {
    ScratchDir dir;
    EXPECT_FALSE(WriteOutcomeRecord(dir.File("gone/job5.q3"), {}));
}

}  // namespace
}  // namespace quorvane3
