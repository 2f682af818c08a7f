#include "mailer/job/job_fields.h"

#include <gtest/gtest.h>

#include <string>

#include "mailer/job/command_line.h"

namespace quorvane3 {
namespace {

struct ControlRow {
    std::string field;
    std::string logDir;
    int32_t logLevel;
    std::string mailerName;
};
class ControlFieldRows : public testing::TestWithParam<ControlRow> {};

TEST_P(ControlFieldRows, Parse) {
    const ControlField parsed = ParseControlField(GetParam().field);
    EXPECT_EQ(parsed.logDir, GetParam().logDir);
    EXPECT_EQ(parsed.logLevel, GetParam().logLevel);
    EXPECT_EQ(parsed.mailerName, GetParam().mailerName);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ControlFieldRows,
    testing::Values(ControlRow{"C:\\logs,2,Mailer X", "C:\\logs", 2, "Mailer X"},
                    ControlRow{"C:\\logs,2", "C:\\logs", -1, ""},
                    ControlRow{"C:\\logs,1,x,y", "C:\\logs", 0, "y"},
                    ControlRow{"/var/q3", "/var/q3", -1, ""}, ControlRow{"", "", -1, ""},
                    ControlRow{",,", "", 0, ""}, ControlRow{"/d, \t-5x,M", "/d", -5, "M"},
                    ControlRow{"/d,+7,M,", "/d", 0, ""},
                    ControlRow{"/d,99999999999,M", "/d", 2147483647, "M"},
                    ControlRow{std::string("/d,3,M\0,9,Z", 11), "/d", 3, "M"},
                    ControlRow{"/d,1," + std::string(300, 'm'), "/d", 1, std::string(259, 'm')}));

struct SenderRow {
    std::string from;
    std::string sender;
};
class SenderAddressRows : public testing::TestWithParam<SenderRow> {};

TEST_P(SenderAddressRows, Derive) {
    EXPECT_EQ(DeriveSenderAddress(GetParam().from), GetParam().sender);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SenderAddressRows,
    testing::Values(SenderRow{"Ops <ops@example.com>, Second Name", "ops@example.com"},
                    SenderRow{"ops@example.com", "ops@example.com"},
                    SenderRow{"a@example.com,b@example.com", "a@example.com,b@example.com"},
                    SenderRow{"x>y@example.com", "x>y@example.com"},
                    SenderRow{"A <old <new@example.com>", "new@example.com"},
                    SenderRow{"Name <open@example.com", "open@example.com"},
                    SenderRow{"<a@example.com,b>", "a@example.com"},
                    SenderRow{std::string("ops@ex\0ample", 12), "ops@ex"},
                    SenderRow{"", ""}, SenderRow{"<>", ""}));

TEST(JobPathFromArguments, JoinsArgumentsWithSingleBlanks) {
    const char* none[] = {"quorvane3"};
    const char* one[] = {"quorvane3", "/spool/job 1.dat"};
    const char* split[] = {"quorvane3", "/spool/my", "job", "", "x.dat"};
    EXPECT_EQ(JobPathFromArguments(1, none), "");
    EXPECT_EQ(JobPathFromArguments(2, one), "/spool/job 1.dat");
    EXPECT_EQ(JobPathFromArguments(5, split), "/spool/my job  x.dat");
}

}  // namespace
}  // namespace quorvane3
