#include "scrollet/log_window.h"

#include <gtest/gtest.h>

#include "scrollet/check_log_reader.h"
#include "scrollet/log_html.h"
#include "tests/support/widgets_app.h"

namespace ossivant::scrollet {
namespace {

TEST(ScrolletWindowTest, ShowsTheLogReadOnlyUnderItsFileName) {
    test::widgetsApplication();
    const ParsedLog log = ParseCheckLog(
        "[START CHECK: MANUAL - 7 Dec 2026 09:00:00]\r\n"
        "7 Dec 2026 09:00:00,http://<script>alert(1)</script>,Site OK,1,a<BR>b,1\r\n");
    const auto window =
        MakeLogWindow(QStringLiteral("/var/log/ov/D-20261207.ovl"), LogToHtml(log, "x"));
    EXPECT_EQ(window->windowTitle(), "Scrollet - D-20261207.ovl");
    EXPECT_TRUE(window->isReadOnly());
    EXPECT_FALSE(window->openLinks());
    const QString shown = window->toPlainText();
    EXPECT_TRUE(shown.contains(QLatin1StringView("http://<script>alert(1)</script>")));
    EXPECT_TRUE(shown.contains(QStringLiteral("a\u2028b")) ||
                shown.contains(QLatin1StringView("a\nb")))
        << shown.toStdString();
}

}  // namespace
}  // namespace ossivant::scrollet
