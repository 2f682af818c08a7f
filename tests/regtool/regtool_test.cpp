// ossivant-reg as an operator runs it: query, add and delete, prompts,
// errors.
#include <gtest/gtest.h>

#include <fstream>

#include "monitor/platform/registry.h"
#include "tests/monitor/platform/registry_test_util.h"
#include "tests/regtool/run_tool.h"
#include "tests/support/temp_registry.h"

namespace ossivant::test {
namespace {

using namespace ossivant::reg;

class RegToolTest : public ::testing::Test {
protected:
    ToolRun run(const std::vector<std::string>& args, const std::string& input = "") {
        return runTool(temp.path(), args, input);
    }
    void expectOk(const std::vector<std::string>& args) {
        const ToolRun r = run(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
    }
    // A one-line message on standard error and exit status 1.
    void expectFailure(const ToolRun& r, const std::string& part) {
        EXPECT_EQ(r.exitCode, 1);
        ASSERT_FALSE(r.err.empty());
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_EQ(r.err.rfind("ossivant-reg: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(part), std::string::npos) << r.err;
    }
    void addSettings() {
        expectOk({"add", "HKLM\\Software\\Pelgrade\\Ossivant\\Settings\\Timer", "/v", "Interval", "/t", "REG_DWORD",
                  "/d", "60"});
        expectOk({"add", "HKEY_LOCAL_MACHINE\\Software\\Pelgrade\\Ossivant\\Settings\\Timer", "/v", "Warning", "/t",
                  "reg_dword", "/d", "0xF"});
        expectOk({"add", "hklm\\Software\\Pelgrade\\Ossivant\\Settings\\Manager", "/v", "Name", "/d",
                  "Jo \"Q\" Smith"});
        expectOk({"add", "HKLM\\Software\\Pelgrade\\Ossivant\\Settings\\Manager", "/ve", "/d", "default"});
        expectOk({"add", "HKLM\\Software\\Pelgrade\\Ossivant\\Settings\\Log", "/v", "Raw", "/t", "REG_BINARY", "/d",
                  "00ff10"});
        expectOk({"add", "HKCU\\Software\\Other"});
    }

    TempRegistry temp;
};

TEST_F(RegToolTest, AddThenQueryShowsTheKeyItsValuesAndSubkeys) {
    addSettings();
    ToolRun r = run({"query", "HKLM\\Software\\Pelgrade\\Ossivant\\Settings\\Timer"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out,
              "\nHKEY_LOCAL_MACHINE\\Software\\Pelgrade\\Ossivant\\Settings\\Timer\n"
              "    Interval    REG_DWORD    0x3c\n"
              "    Warning    REG_DWORD    0xf\n\n");

    r = run({"query", "HKLM\\software\\pelgrade\\ossivant\\settings"});
    EXPECT_EQ(r.out,
              "\nHKEY_LOCAL_MACHINE\\software\\pelgrade\\ossivant\\settings\n\n"
              "HKEY_LOCAL_MACHINE\\software\\pelgrade\\ossivant\\settings\\Log\n"
              "HKEY_LOCAL_MACHINE\\software\\pelgrade\\ossivant\\settings\\Manager\n"
              "HKEY_LOCAL_MACHINE\\software\\pelgrade\\ossivant\\settings\\Timer\n");

    r = run({"query", "HKLM\\Software\\Pelgrade\\Ossivant\\Settings", "/s"});
    EXPECT_EQ(r.out,
              "\nHKEY_LOCAL_MACHINE\\Software\\Pelgrade\\Ossivant\\Settings\n\n"
              "HKEY_LOCAL_MACHINE\\Software\\Pelgrade\\Ossivant\\Settings\\Log\n"
              "    Raw    REG_BINARY    00FF10\n\n"
              "HKEY_LOCAL_MACHINE\\Software\\Pelgrade\\Ossivant\\Settings\\Manager\n"
              "    Name    REG_SZ    Jo \"Q\" Smith\n"
              "    (Default)    REG_SZ    default\n\n"
              "HKEY_LOCAL_MACHINE\\Software\\Pelgrade\\Ossivant\\Settings\\Timer\n"
              "    Interval    REG_DWORD    0x3c\n"
              "    Warning    REG_DWORD    0xf\n\n");

    r = run({"query", "HKLM\\Software\\Pelgrade\\Ossivant\\Settings\\Manager", "/v", "NAME"});
    EXPECT_EQ(r.out,
              "\nHKEY_LOCAL_MACHINE\\Software\\Pelgrade\\Ossivant\\Settings\\Manager\n"
              "    Name    REG_SZ    Jo \"Q\" Smith\n\n");

    r = run({"query", "HKLM\\Software", "/v", "interval", "/s"});
    EXPECT_EQ(r.out,
              "\nHKEY_LOCAL_MACHINE\\Software\\Pelgrade\\Ossivant\\Settings\\Timer\n"
              "    Interval    REG_DWORD    0x3c\n\n"
              "End of search: 1 match(es) found.\n");

    // The hives are apart.
    r = run({"query", "HKCU\\Software"});
    EXPECT_EQ(r.out, "\nHKEY_CURRENT_USER\\Software\n\nHKEY_CURRENT_USER\\Software\\Other\n");
}

TEST_F(RegToolTest, ValuesWrittenByTheToolAreWhatTheProgramsRead) {
    addSettings();
    Registry reg(temp.path());
    HKEY key = 0;
    ASSERT_EQ(reg.OpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Pelgrade\\Ossivant\\Settings\\Timer", &key),
              ERROR_SUCCESS);
    std::int32_t status = 0;
    std::uint32_t type = 0;
    EXPECT_EQ(rawValue(reg, key, "Interval", &status, &type), std::string("\x3c\0\0\0", 4));
    EXPECT_EQ(type, REG_DWORD);
    ASSERT_EQ(reg.OpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Pelgrade\\Ossivant\\Settings\\Manager", &key),
              ERROR_SUCCESS);
    EXPECT_EQ(rawValue(reg, key, "Name", &status, &type), std::string("Jo \"Q\" Smith\0", 13));
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(rawValue(reg, key, "", &status, &type), std::string("default\0", 8));
}

TEST_F(RegToolTest, OverwritingAndDeletingAskUnlessForced) {
    addSettings();
    const std::string manager = "HKLM\\Software\\Pelgrade\\Ossivant\\Settings\\Manager";

    ToolRun r = run({"add", manager, "/v", "Name", "/d", "Other"}, "n\n");
    expectFailure(r, "cancelled");
    EXPECT_NE(r.out.find("Value Name exists, overwrite (Yes/No)?"), std::string::npos);
    r = run({"add", manager, "/v", "Name", "/d", "Other"}, "");  // no answer at all
    expectFailure(r, "cancelled");
    EXPECT_NE(run({"query", manager, "/v", "Name"}).out.find("Jo \"Q\" Smith"), std::string::npos);

    EXPECT_EQ(run({"add", manager, "/v", "Name", "/d", "Other"}, "yes\n").exitCode, 0);
    expectOk({"add", manager, "/v", "Name", "/d", "Third", "/f"});
    EXPECT_NE(run({"query", manager, "/v", "Name"}).out.find("REG_SZ    Third"), std::string::npos);

    expectFailure(run({"delete", manager, "/v", "Name"}, "no\n"), "cancelled");
    EXPECT_EQ(run({"delete", manager, "/v", "Name"}, "Y\n").exitCode, 0);
    expectFailure(run({"query", manager, "/v", "Name"}), "unable to find");

    expectOk({"delete", manager, "/va", "/f"});
    EXPECT_EQ(run({"query", manager}).out, "\nHKEY_LOCAL_MACHINE\\" + manager.substr(5) + "\n\n");

    // Deleting a key takes everything below it.
    expectFailure(run({"delete", "HKLM\\Software\\Pelgrade"}, "\n"), "cancelled");
    expectOk({"delete", "HKLM\\Software\\Pelgrade", "/f"});
    expectFailure(run({"query", "HKLM\\Software\\Pelgrade"}), "unable to find");
    EXPECT_EQ(run({"query", "HKCU\\Software\\Other"}).exitCode, 0);
}

struct BadCommand {
    const char* label;
    std::vector<std::string> args;
    const char* message;
};

// Test names in CTest show the row label, not the bytes of the row.
void PrintTo(const BadCommand& row, std::ostream* os) { *os << row.label; }

class RegToolBadCommandTest : public RegToolTest, public ::testing::WithParamInterface<BadCommand> {};

TEST_P(RegToolBadCommandTest, FailsWithOneLineAndChangesNothing) {
    addSettings();
    const std::string before = run({"query", "HKLM", "/s"}).out;
    const ToolRun r = run(GetParam().args);
    expectFailure(r, GetParam().message);
    EXPECT_EQ(run({"query", "HKLM", "/s"}).out, before);
}

const std::string kTimer = "HKLM\\Software\\Pelgrade\\Ossivant\\Settings\\Timer";

INSTANTIATE_TEST_SUITE_P(
    Commands, RegToolBadCommandTest,
    ::testing::Values(
        BadCommand{"NoCommand", {}, "bad syntax: a command is missing"},
        BadCommand{"UnknownCommand", {"copy", kTimer}, "unknown command copy"},
        BadCommand{"UnknownHive", {"query", "HKCR\\Software"}, "is not a key"},
        BadCommand{"DoubledSeparator", {"add", "HKLM\\Software\\\\X"}, "is not a key"},
        BadCommand{"UnknownKey", {"query", "HKLM\\Software\\Nothing"}, "unable to find the registry key or value"},
        BadCommand{"UnknownValue", {"query", kTimer, "/v", "Nothing"}, "unable to find"},
        BadCommand{"DeleteUnknownKey", {"delete", "HKLM\\Software\\Nothing", "/f"}, "unable to find"},
        BadCommand{"DeleteUnknownValue", {"delete", kTimer, "/v", "Nothing", "/f"}, "unable to find"},
        BadCommand{"DeleteHive", {"delete", "HKCU", "/f"}, "a hive cannot be deleted"},
        BadCommand{"MissingSwitchValue", {"query", kTimer, "/v"}, "needs a value"},
        BadCommand{"SwitchTwice", {"add", kTimer, "/v", "a", "/v", "b"}, "given twice"},
        BadCommand{"SwitchOfAnotherCommand", {"query", kTimer, "/f"}, "does not go with this command"},
        BadCommand{"ExtraWord", {"query", kTimer, "extra"}, "query takes one KEY"},
        BadCommand{"DataWithoutName", {"add", kTimer, "/d", "5"}, "need /v NAME"},
        BadCommand{"UnknownType", {"add", kTimer, "/v", "x", "/t", "REG_QWORD", "/d", "1"}, "unknown type"},
        BadCommand{"DwordNotANumber", {"add", kTimer, "/v", "x", "/t", "REG_DWORD", "/d", "ten"}, "REG_DWORD data"},
        BadCommand{"DwordTooLarge", {"add", kTimer, "/v", "x", "/t", "REG_DWORD", "/d", "4294967296"},
                   "REG_DWORD data"},
        BadCommand{"DwordNegative", {"add", kTimer, "/v", "x", "/t", "REG_DWORD", "/d", "-1"}, "REG_DWORD data"},
        BadCommand{"BinaryOddDigits", {"add", kTimer, "/v", "x", "/t", "REG_BINARY", "/d", "abc"}, "hex digits"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(RegToolTest, HelpGoesToStandardOutput) {
    const ToolRun r = run({"/?"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("usage: ossivant-reg query KEY"), std::string::npos);
    EXPECT_EQ(r.err, "");
}

TEST_F(RegToolTest, ARegistryFileThatIsNotAStoreIsReportedAndLeftAlone) {
    std::ofstream(temp.path(), std::ios::binary) << "this is not a registry store, just some text\n";
    const std::string before = slurp(temp.path());
    expectFailure(run({"query", "HKLM"}), temp.path() + ": the registry file is not a registry store");
    expectFailure(run({"add", "HKLM\\Software\\X", "/v", "a", "/d", "b", "/f"}), "not a registry store");
    EXPECT_EQ(slurp(temp.path()), before);
}

}  // namespace
}  // namespace ossivant::test
