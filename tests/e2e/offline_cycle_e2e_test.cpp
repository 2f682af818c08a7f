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

#include "tests/support/headless_setup.h"

namespace ossivant::test {
namespace {

const QByteArray kOfflineNote = "Not checked: this computer is offline";

class OfflineCycleE2eTest : public ::testing::Test {
protected:
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

    HeadlessSetup setup_;
    const RegistryValues& values_ = setup_.values;
    const std::string& spool_ = setup_.spool;
    const std::string& logs_ = setup_.logs;
};

TEST_F(OfflineCycleE2eTest, SitesKeepTheirStatusAndSendNothing) {
    if (QProcess::execute(QStringLiteral("unshare"), {"-n", "true"}) != 0)
        GTEST_SKIP() << "unshare -n is not permitted here";
    values_.put("\\Settings\\Timer", "Interval", 60);
    values_.put("\\Settings\\Timer", "Warning", 1);  // the first cycle comes a minute after the start
    values_.put("\\Settings\\Manager", "Email", "ops@example.test");
    values_.put("\\Settings\\Manager", "SMTP", "127.0.0.1");
    values_.put("\\Settings\\Network", "Reference", "http://127.0.0.1:9/");
    values_.addSite("192.0.2.10", 1);
    values_.addSite("example.test", 2);

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

    // The monitor starts every site unchecked (4); a failure judged would
    // make it a warning (2).
    EXPECT_EQ(values_.dword("\\Address\\192.0.2.10", "Status"), 4u);
    EXPECT_EQ(values_.dword("\\Address\\example.test", "Status"), 4u);
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
