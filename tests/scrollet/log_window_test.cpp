#include "scrollet/log_window.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>

#include "scrollet/check_log_reader.h"
#include "scrollet/log_html.h"
#include "tests/support/widgets_app.h"

namespace ossivant::scrollet {
namespace {

const char kStart[] = "[START CHECK: MANUAL - 7 Dec 2026 09:00:00]\r\n";
const char kUnsafe[] = "7 Dec 2026 09:00:00,http://<script>alert(1)</script>,Site OK,1,a<BR>b,1\r\n";
const char kTls[] =
    "7 Dec 2026 09:00:01,https://tls.example,ERROR:  35 OpenSSL SSL_connect: SSL_ERROR_SYSCALL "
    "in connection to tls.example:443,0,,2\r\n";

class ScrolletWindowTest : public ::testing::Test {
protected:
    ScrolletWindowTest() { test::widgetsApplication(); }

    void open() {
        window = std::make_unique<LogWindow>(QStringLiteral("/var/log/ov/D-20261207.ovl"), [this] {
            ++reads;
            return LogToHtml(ParseCheckLog(log), QStringLiteral("D-20261207.ovl"));
        });
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    QString shown() const { return window->page()->toPlainText(); }
    QLineEdit* findText() const { return window->findChild<QLineEdit*>("findText"); }

    QByteArray log = QByteArray(kStart) + kUnsafe;
    std::unique_ptr<LogWindow> window;
    int reads = 0;
};

TEST_F(ScrolletWindowTest, ShowsTheLogReadOnlyUnderItsFileName) {
    open();
    EXPECT_EQ(window->windowTitle(), "Scrollet - D-20261207.ovl");
    EXPECT_TRUE(window->page()->isReadOnly());
    EXPECT_FALSE(window->page()->openLinks());
    EXPECT_TRUE(shown().contains(QLatin1StringView("http://<script>alert(1)</script>")));
    EXPECT_TRUE(shown().contains(QStringLiteral("a\u2028b")) ||
                shown().contains(QLatin1StringView("a\nb")))
        << shown().toStdString();
}

// Underscores and descenders sit below the baseline: a wrapped cell's lines
// keep room under them, and the double blank of an error text stays.
TEST_F(ScrolletWindowTest, NothingALineHoldsIsHiddenOnScreen) {
    log += kTls;
    open();
    EXPECT_TRUE(shown().contains(
        QLatin1StringView("ERROR:  35 OpenSSL SSL_connect: SSL_ERROR_SYSCALL in connection")));
    const QTextBlock cell = window->page()->document()->find(QStringLiteral("SSL_ERROR")).block();
    ASSERT_TRUE(cell.isValid());
    EXPECT_EQ(cell.blockFormat().lineHeightType(), int(QTextBlockFormat::ProportionalHeight));
    EXPECT_GE(cell.blockFormat().lineHeight(), 120);
    // A word wider than its column is broken rather than cut off.
    EXPECT_EQ(window->page()->document()->defaultTextOption().wrapMode(),
              QTextOption::WrapAtWordBoundaryOrAnywhere);
}

TEST_F(ScrolletWindowTest, F5ReadsTheLogAgainAndCtrlFFindsText) {
    open();
    EXPECT_EQ(reads, 1);
    EXPECT_FALSE(shown().contains(QLatin1StringView("tls.example")));
    log += kTls;  // a cycle ran while the window was open
    QTest::keyClick(window.get(), Qt::Key_F5);
    EXPECT_EQ(reads, 2);
    EXPECT_TRUE(shown().contains(QLatin1StringView("tls.example")));

    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(findText()->isVisible());
    EXPECT_TRUE(findText()->hasFocus());
    QTest::keyClicks(findText(), "example");
    QList<int> matches;  // where the page holds the text, top to bottom
    for (QTextCursor at = window->page()->document()->find("example"); !at.isNull();
         at = window->page()->document()->find("example", at))
        matches << at.position();
    ASSERT_GE(matches.size(), 2);
    const auto cursorAt = [&] { return window->page()->textCursor().position(); };
    for (int match : matches) {
        QTest::keyClick(findText(), Qt::Key_Return);
        EXPECT_EQ(cursorAt(), match);
        EXPECT_EQ(window->page()->textCursor().selectedText(), "example");
    }
    QTest::keyClick(findText(), Qt::Key_Return);  // round to the first again
    EXPECT_EQ(cursorAt(), matches.first());
    QTest::keyClick(findText(), Qt::Key_Return, Qt::ShiftModifier);  // and back past the top
    EXPECT_EQ(cursorAt(), matches.last());

    // Esc in the bar closes the bar; the window stays.
    QTest::keyClick(findText(), Qt::Key_Escape);
    EXPECT_FALSE(findText()->isVisible());
    EXPECT_TRUE(window->isVisible());
}

class ScrolletCloseKeys : public ScrolletWindowTest,
                          public ::testing::WithParamInterface<QKeyCombination> {};

TEST_P(ScrolletCloseKeys, CloseTheWindow) {
    open();
    QTest::keyClick(window.get(), GetParam().key(), GetParam().keyboardModifiers());
    EXPECT_FALSE(window->isVisible());
}
INSTANTIATE_TEST_SUITE_P(Keys, ScrolletCloseKeys,
                         ::testing::Values(QKeyCombination(Qt::Key_Escape),
                                           QKeyCombination(Qt::ControlModifier, Qt::Key_W),
                                           QKeyCombination(Qt::ControlModifier, Qt::Key_Q)));

}  // namespace
}  // namespace ossivant::scrollet
