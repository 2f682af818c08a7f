// Runs the built monitor program as an operator would start it.
#include <gtest/gtest.h>

#include <QLockFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "monitor/platform/registry.h"
#include "tests/support/temp_registry.h"

namespace ossivant::test {
namespace {

using namespace ossivant::reg;

const std::string kRoot = "Software\\Pelgrade\\Ossivant";

struct ProgramRun {
    int status = -1;
    std::string output;
};

class StartupProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("OSSIVANT_REGISTRY", registry_.path().c_str(), 1);
        setenv("XDG_RUNTIME_DIR", registry_.dir().path().string().c_str(), 1);
        setenv("XDG_STATE_HOME", registry_.dir().file("state").c_str(), 1);
    }

    // Starts the program without windows and reads what it prints until it
    // has loaded everything and waits for its timers (or has ended), then
    // stops it.
    ProgramRun start(
        const QStringList& arguments = {"--headless"},
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
        QProcess program;
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(OSSIVANT_PROGRAM), arguments);
        ProgramRun run;
        QByteArray output;
        while (!output.contains("Next: ") && program.waitForReadyRead(10000))
            output += program.readAll();
        if (program.state() == QProcess::Running) {
            run.status = 0;
            program.kill();
            program.waitForFinished(10000);
        } else {
            program.waitForFinished(10000);
            run.status = program.exitCode();
        }
        output += program.readAll();
        run.output = output.toStdString();
        return run;
    }

    void storeSite(const std::string& key, const std::string& url, std::uint32_t index) {
        Registry reg(registry_.path());
        HKEY h = 0;
        ASSERT_EQ(reg.CreateKeyEx(HKEY_LOCAL_MACHINE, kRoot + "\\Address\\" + key, &h), 0);
        std::string text = url + '\0';
        reg.SetValueEx(h, "URL", REG_SZ, reinterpret_cast<const std::uint8_t*>(text.data()),
                       static_cast<std::uint32_t>(text.size()));
        std::uint8_t le[4] = {std::uint8_t(index), 0, 0, 0};
        reg.SetValueEx(h, "Index", REG_DWORD, le, 4);
        std::uint8_t one[4] = {1, 0, 0, 0};
        reg.SetValueEx(h, "Enabled", REG_DWORD, one, 4);
        reg.CloseKey(h);
    }

    std::uint32_t storedDword(const std::string& key, const std::string& name) {
        Registry reg(registry_.path());
        HKEY h = 0;
        if (reg.OpenKeyEx(HKEY_LOCAL_MACHINE, kRoot + key, &h) != 0) return 0xFFFFFFFF;
        std::uint32_t type = 0, size = 4;
        std::uint8_t data[4] = {};
        std::int32_t status = reg.QueryValueEx(h, name, &type, data, &size);
        reg.CloseKey(h);
        if (status != 0) return 0xFFFFFFFF;
        return data[0] | data[1] << 8 | data[2] << 16 | std::uint32_t(data[3]) << 24;
    }

    TempRegistry registry_;
};

TEST_F(StartupProgramTest, FirstStartStoresTheDefaultsAndSchedulesTheFirstCheck) {
    ProgramRun run = start();
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("sites: 0"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Next: "), std::string::npos);
    EXPECT_EQ(storedDword("\\Settings\\Timer", "Interval"), 60u);
    EXPECT_EQ(storedDword("\\Settings\\Timer", "Warning"), 15u);
    EXPECT_EQ(storedDword("\\Settings\\AllowCookie", "AllowType"), 1u);
    const std::string logs = registry_.dir().file("state/ossivant/Logs");
    EXPECT_NE(run.output.find("check log folder: " + logs + "\n"), std::string::npos) << run.output;
    EXPECT_TRUE(std::filesystem::is_directory(logs));
}

TEST_F(StartupProgramTest, SitesAreRenumberedAndListedInTheirStoredOrder) {
    storeSite("second.example", "second.example", 7);
    storeSite("first.example", "first.example", 3);
    ProgramRun run = start();
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("sites: 2"), std::string::npos) << run.output;
    const auto first = run.output.find("1  http://first.example");
    const auto second = run.output.find("2  http://second.example");
    ASSERT_NE(first, std::string::npos) << run.output;
    ASSERT_NE(second, std::string::npos) << run.output;
    EXPECT_EQ(storedDword("\\Address\\first.example", "Index"), 1u);
    EXPECT_EQ(storedDword("\\Address\\second.example", "Index"), 2u);
}

TEST_F(StartupProgramTest, ASecondCopyIsRefusedAndTouchesNothing) {
    QLockFile running(QString::fromStdString(registry_.dir().path().string() + "/ossivant.lock"));
    ASSERT_TRUE(running.tryLock(0));
    ProgramRun run = start();
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find("Ossivant has already started!"), std::string::npos) << run.output;
    EXPECT_EQ(storedDword("\\Settings\\Timer", "Interval"), 0xFFFFFFFFu);
}

// How the program answers a command line it cannot run with.
TEST_F(StartupProgramTest, OddCommandLinesAndAMissingDisplayGetOneLineOfHelp) {
    ProgramRun run = start({"--bogus"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.output, "usage: ossivant [--headless | --minimized]\n");
    run = start({"--headless", "extra"});
    EXPECT_EQ(run.status, 2);

    QProcessEnvironment noDisplay = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        noDisplay.remove(name);
    run = start({}, noDisplay);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.output.find("ossivant --headless"), std::string::npos) << run.output;
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1);
    EXPECT_EQ(storedDword("\\Settings\\Timer", "Interval"), 0xFFFFFFFFu);  // nothing touched
}

}  // namespace
}  // namespace ossivant::test
