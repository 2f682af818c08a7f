// The headless monitor in a network namespace of its own, where only the
// loopback is up: its sites cannot be reached and neither can the reference
// address on 127.0.0.1, so its first cycle is offline.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QProcess>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "monitor/platform/registry.h"
#include "tests/support/temp_registry.h"

namespace ossivant::test {
namespace {

using namespace ossivant::reg;

const std::string kRoot = "Software\\Pelgrade\\Ossivant";
const QByteArray kOfflineNote = "Not checked: this computer is offline";

class OfflineCycleE2eTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(spool_);
        std::filesystem::create_directories(logs_);
        setenv("OSSIVANT_REGISTRY", registry_.path().c_str(), 1);
        setenv("XDG_RUNTIME_DIR", registry_.dir().path().string().c_str(), 1);
        setenv("XDG_STATE_HOME", registry_.dir().file("state").c_str(), 1);
        setenv("VB_QUORVANE3_SPOOL", spool_.c_str(), 1);
    }
    void TearDown() override { unsetenv("VB_QUORVANE3_SPOOL"); }

    void put(const std::string& key, const std::string& name, std::uint32_t value) {
        Registry reg(registry_.path());
        HKEY h = 0;
        ASSERT_EQ(reg.CreateKeyEx(HKEY_LOCAL_MACHINE, kRoot + key, &h), 0);
        const std::uint8_t le[4] = {std::uint8_t(value), std::uint8_t(value >> 8),
                                    std::uint8_t(value >> 16), std::uint8_t(value >> 24)};
        reg.SetValueEx(h, name, REG_DWORD, le, 4);
        reg.CloseKey(h);
    }
    void put(const std::string& key, const std::string& name, const std::string& value) {
        Registry reg(registry_.path());
        HKEY h = 0;
        ASSERT_EQ(reg.CreateKeyEx(HKEY_LOCAL_MACHINE, kRoot + key, &h), 0);
        const std::string text = value + '\0';
        reg.SetValueEx(h, name, REG_SZ, reinterpret_cast<const std::uint8_t*>(text.data()),
                       static_cast<std::uint32_t>(text.size()));
        reg.CloseKey(h);
    }
    std::uint32_t storedDword(const std::string& key, const std::string& name) {
        Registry reg(registry_.path());
        HKEY h = 0;
        if (reg.OpenKeyEx(HKEY_LOCAL_MACHINE, kRoot + key, &h) != 0) return 0xFFFFFFFF;
        std::uint32_t type = 0, size = 4;
        std::uint8_t data[4] = {};
        const std::int32_t status = reg.QueryValueEx(h, name, &type, data, &size);
        reg.CloseKey(h);
        if (status != 0) return 0xFFFFFFFF;
        return data[0] | data[1] << 8 | data[2] << 16 | std::uint32_t(data[3]) << 24;
    }
    // A site whose key is named by its address. The monitor starts every site
    // unchecked (4); a failure judged would make it a warning (2).
    void addSite(const std::string& key, std::uint32_t index) {
        put("\\Address\\" + key, "URL", key);
        put("\\Address\\" + key, "Index", index);
        put("\\Address\\" + key, "Enabled", 1);
        put("\\Address\\" + key, "TimeOut", 10);
    }
    std::string logText() const {
        std::string all;
        for (const auto& entry : std::filesystem::directory_iterator(logs_)) {
            std::ifstream in(entry.path());
            std::stringstream text;
            text << in.rdbuf();
            all += text.str();
        }
        return all;
    }

    TempRegistry registry_;
    std::string spool_ = registry_.dir().file("spool");
    std::string logs_ = registry_.dir().file("logs");
};

TEST_F(OfflineCycleE2eTest, SitesKeepTheirStatusAndSendNothing) {
    if (QProcess::execute(QStringLiteral("unshare"), {"-n", "true"}) != 0)
        GTEST_SKIP() << "unshare -n is not permitted here";
    put("\\Settings\\Timer", "Interval", 60);
    put("\\Settings\\Timer", "Warning", 1);  // the first cycle comes a minute after the start
    put("\\Settings\\Manager", "Email", "ops@example.test");
    put("\\Settings\\Manager", "SMTP", "127.0.0.1");
    put("\\Settings\\Log", "LogPath", logs_);
    put("\\Settings\\Network", "Reference", "http://127.0.0.1:9/");
    addSite("192.0.2.10", 1);
    addSite("example.test", 2);

    QProcess program;
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QStringLiteral("unshare"),
                  {"-n", "--", "/bin/sh", "-c", "ip link set lo up && exec \"$0\" --headless",
                   QStringLiteral(OSSIVANT_PROGRAM)});
    QByteArray output;
    while (!output.contains(kOfflineNote) && program.waitForReadyRead(100000))
        output += program.readAll();
    // The rest of the cycle: the other site's line and the cycle's notice.
    while (output.count(kOfflineNote) < 3 && program.waitForReadyRead(30000))
        output += program.readAll();
    program.kill();
    program.waitForFinished(10000);
    ASSERT_TRUE(output.contains(kOfflineNote)) << output.toStdString();

    EXPECT_EQ(storedDword("\\Address\\192.0.2.10", "Status"), 4u);
    EXPECT_EQ(storedDword("\\Address\\example.test", "Status"), 4u);
    const std::string log = logText();
    for (const char* site : {"http://192.0.2.10", "http://example.test"}) {
        const std::size_t at = log.find(site);
        ASSERT_NE(at, std::string::npos) << log;
        const std::string line = log.substr(at, log.find('\n', at) - at);
        EXPECT_NE(line.find(kOfflineNote.toStdString()), std::string::npos) << line;
    }
    EXPECT_TRUE(std::filesystem::is_empty(spool_));
}

}  // namespace
}  // namespace ossivant::test
