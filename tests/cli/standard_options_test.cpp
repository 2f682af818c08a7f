// Each program answers --help, --version and an unknown option as command-line
// programs do: the answer on standard output and status 0, or a usage line on
// standard error and status 2.
#include <gtest/gtest.h>

#include <QStringList>
#include <fstream>
#include <string>

#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"

namespace ossivant::test {
namespace {

ProgramRun RunProgram(const std::string& program, const QStringList& arguments,
                      const std::string& workDir = {}) {
    return RunWithoutDisplay(QStringLiteral(OSSIVANT_PROGRAM_DIR_PATH "/") + QString::fromStdString(program),
                             arguments, QString::fromStdString(workDir));
}

struct ProgramRow {
    const char* program;
    const char* usage;  // the usage line, without "usage: "
};

class StandardOptionsTest : public ::testing::TestWithParam<ProgramRow> {};

TEST_P(StandardOptionsTest, HelpStartsWithTheUsageLineOnStandardOutput) {
    const ProgramRun run = RunProgram(GetParam().program, {"--help"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(QByteArray("usage: ") + GetParam().usage + "\n"))
        << run.out.toStdString();
    EXPECT_GT(run.out.count('\n'), 1) << "a usage line alone";
    EXPECT_EQ(run.err, "") << run.err.toStdString();
}

TEST_P(StandardOptionsTest, VersionIsTheProjectVersion) {
    const ProgramRun run = RunProgram(GetParam().program, {"--version"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.toStdString(), std::string(GetParam().program) + " " OSSIVANT_VERSION "\n");
    EXPECT_EQ(run.err, "") << run.err.toStdString();
}

// quorvane3 is not among them: its command line is a job path (below).
class UnknownOptionTest : public StandardOptionsTest {};

TEST_P(UnknownOptionTest, AnUnknownOptionGetsTheUsageAndStatusTwo) {
    const std::string program = GetParam().program;
    for (const QStringList& arguments : {QStringList{"--bogus"}, QStringList{"--help", "--version"},
                                         QStringList{"-x", "log.ovl"}}) {
        const ProgramRun run = RunProgram(program, arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(run.err.startsWith(QByteArray::fromStdString("usage: " + program)))
            << run.err.toStdString();
        EXPECT_EQ(run.out, "") << run.out.toStdString();
    }
}

const ProgramRow kQuorvane3{"quorvane3", "quorvane3 JOBFILE"};
const ProgramRow kWithOptions[] = {
    {"ossivant", "ossivant [--headless | --minimized]"},
    {"ossivant-reg", "ossivant-reg query KEY [/v NAME | /ve] [/s]"},
    {"scrollet", "scrollet LOG-FILE [HTML-FILE]"},
    {"ovtour", "ovtour"}};

std::string RowName(const ::testing::TestParamInfo<ProgramRow>& info) {
    std::string name = info.param.program;
    for (char& c : name)
        if (c == '-') c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(EveryProgram, StandardOptionsTest,
                         ::testing::Values(kWithOptions[0], kWithOptions[1], kWithOptions[2],
                                           kWithOptions[3], kQuorvane3),
                         RowName);
INSTANTIATE_TEST_SUITE_P(AllButQuorvane3, UnknownOptionTest, ::testing::ValuesIn(kWithOptions),
                         RowName);

// quorvane3 reads every other command line as a job path, as it always has:
// a job file called "--help" is sent, not answered with the help.
TEST(Quorvane3CommandLineTest, OptionsAreJobPathsWhenAFileHasThatNameOrMoreWordsFollow) {
    TempDir dir;
    std::ofstream(dir.file("--help")) << "not a mail job\n";
    for (const QStringList& arguments : {QStringList{"--help"}, QStringList{"--version", "x"},
                                         QStringList{"--bogus"}}) {
        const ProgramRun run = RunProgram("quorvane3", arguments, dir.path().string());
        EXPECT_EQ(run.exitCode, 0) << arguments.join(' ').toStdString();
        EXPECT_EQ(run.out, "") << arguments.join(' ').toStdString();
        EXPECT_EQ(run.err, "") << run.err.toStdString();
    }
}

}  // namespace
}  // namespace ossivant::test
