// The real headless monitor with one site that refuses every connection and
// a mail server that refuses the recipient: the console tells that the alert
// could not be delivered, with the server's reply. The site's second failure
// sends the alert, two minutes after the start.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDeadlineTimer>
#include <QProcess>
#include <cstdint>

#include "tests/e2e/smtp_sink.h"
#include "tests/support/headless_setup.h"
#include "tests/support/temp_dir.h"

namespace ossivant::test {
namespace {

TEST(HeadlessAlertE2eTest, ConsoleTellsTheRefusedAlertWithTheServersReply) {
    HeadlessSetup setup;
    TempDir received;
    e2e::SmtpSink sink(received.path().string(), true, {"--reject", "550"});
    ASSERT_NE(sink.Port(), 0) << "the SMTP server (python3-aiosmtpd) did not start";
    setup.values.put("\\Settings\\Timer", "Interval", 60);
    setup.values.put("\\Settings\\Timer", "Warning", 1);
    setup.values.put("\\Settings\\Manager", "Email", "ops@example.test");
    setup.values.put("\\Settings\\Manager", "SMTP", "127.0.0.1");
    setup.values.put("\\Settings\\Manager", "SMTPPort", std::uint32_t{sink.Port()});
    // A lone failing site is judged as it is, whatever this machine's network state.
    setup.values.put("\\Settings\\Network", "OfflineGuard", 0u);
    // Nothing answers on port 1 of the loopback.
    setup.values.addSite("127.0.0.1:1", 1);

    QProcess program;
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QStringLiteral(OSSIVANT_PROGRAM), {QStringLiteral("--headless")});
    const QByteArray told = "Alert for 127.0.0.1:1 could not be delivered: ";
    QByteArray output;
    const auto toldLineEnded = [&] {
        const qsizetype at = output.indexOf(told);
        return at >= 0 && output.indexOf('\n', at) > at;
    };
    const QDeadlineTimer deadline(150000);
    while (!toldLineEnded() && program.waitForReadyRead(int(deadline.remainingTime())))
        output += program.readAll();
    program.kill();
    program.waitForFinished(10000);

    const qsizetype at = output.indexOf(told);
    ASSERT_GE(at, 0) << output.toStdString();
    const QByteArray line = output.mid(at, output.indexOf('\n', at) - at);
    EXPECT_TRUE(line.contains("550 Recipient refused")) << line.toStdString();
}

}  // namespace
}  // namespace ossivant::test
