// The tour window on Qt's offscreen platform: page walking, button states,
// the page number, and pictures that are present, missing or unreadable.
#include "tour/tour_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "tour/tour_pages.h"
#include "tour/tour_picture.h"

namespace ossivant::test {
namespace {

QApplication* application() {
    static int argc = 1;
    static char name[] = "tour-test";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
    return qApp;
}

int pageCount() {
    return static_cast<int>(TourPages().size());
}

const TourPage& pageAt(int index) {
    return TourPages()[static_cast<std::size_t>(index)];
}

void writePicture(const QString& path, QSize size, QColor colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(path, "PNG")) << path.toStdString();
}

bool isRed(const QImage& image, int x, int y) {
    const QColor pixel = image.pixelColor(x, y);
    return pixel.red() > 200 && pixel.green() < 60 && pixel.blue() < 60;
}

class TourWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        application();
        ASSERT_TRUE(pictures_.isValid());
    }

    QString pictureDir() const { return pictures_.path() + QLatin1Char('/'); }

    template <typename T>
    static T* child(const TourWindow& window, const char* name) {
        T* found = window.findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    // What the window shows must belong to one page: title, number, buttons.
    static void expectPage(const TourWindow& window, int index) {
        SCOPED_TRACE(testing::Message() << "page " << index + 1);
        EXPECT_EQ(window.page(), index);
        EXPECT_EQ(child<QLabel>(window, "tourTitle")->text(),
                  QString::fromUtf8(pageAt(index).title));
        EXPECT_EQ(child<QLabel>(window, "tourText")->text(), QString::fromUtf8(pageAt(index).text));
        EXPECT_EQ(child<QLabel>(window, "tourPageNumber")->text(),
                  QStringLiteral("%1 of %2").arg(index + 1).arg(pageCount()));
        EXPECT_EQ(child<QPushButton>(window, "backButton")->isEnabled(), index > 0);
        EXPECT_EQ(child<QPushButton>(window, "nextButton")->isEnabled(), index < pageCount() - 1);
        EXPECT_TRUE(child<QPushButton>(window, "closeButton")->isEnabled());
        EXPECT_EQ(child<TourPicture>(window, "tourPicture")->caption(),
                  QString::fromUtf8(pageAt(index).caption));
    }

    QTemporaryDir pictures_;
};

TEST_F(TourWindowTest, NextWalksToTheLastPageAndBackReturnsToTheFirst) {
    ASSERT_GE(pageCount(), 2);
    TourWindow window(pictureDir());
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    auto* next = child<QPushButton>(window, "nextButton");
    auto* back = child<QPushButton>(window, "backButton");

    expectPage(window, 0);
    for (int i = 1; i < pageCount(); ++i) {
        QTest::mouseClick(next, Qt::LeftButton);
        expectPage(window, i);
    }
    QTest::mouseClick(next, Qt::LeftButton);  // disabled at the end: nothing moves
    expectPage(window, pageCount() - 1);
    EXPECT_TRUE(child<QPushButton>(window, "closeButton")->hasFocus());

    for (int i = pageCount() - 2; i >= 0; --i) {
        QTest::mouseClick(back, Qt::LeftButton);
        expectPage(window, i);
    }
    QTest::mouseClick(back, Qt::LeftButton);
    expectPage(window, 0);
    EXPECT_TRUE(next->hasFocus());
}

TEST_F(TourWindowTest, ArrowKeysTurnPagesAndEscapeCloses) {
    TourWindow window(pictureDir());
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    QTest::keyClick(&window, Qt::Key_Left);
    expectPage(window, 0);
    QTest::keyClick(&window, Qt::Key_Right);
    QTRY_COMPARE(window.page(), 1);
    QTest::keyClick(&window, Qt::Key_Left);
    QTRY_COMPARE(window.page(), 0);
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(TourWindowTest, MissingOrUnreadablePictureGivesThePlaceholder) {
    // Every page's picture is missing; then one is present and one is not a picture.
    TourWindow window(pictureDir());
    window.resize(800, 600);
    window.show();
    auto* picture = child<TourPicture>(window, "tourPicture");
    for (int i = 0; i < pageCount(); ++i) {
        window.showPage(i);
        SCOPED_TRACE(pageAt(i).picture);
        EXPECT_FALSE(picture->hasPicture());
        EXPECT_EQ(picture->toolTip(), QString::fromUtf8(pageAt(i).caption));
        EXPECT_FALSE(window.grab().isNull());  // the placeholder paints
    }

    const QString present = QString::fromUtf8(pageAt(0).picture);
    writePicture(pictureDir() + present, {64, 48}, Qt::red);
    QString unreadable;
    for (int i = 0; i < pageCount() && unreadable.isEmpty(); ++i)
        if (QString::fromUtf8(pageAt(i).picture) != present)
            unreadable = QString::fromUtf8(pageAt(i).picture);
    ASSERT_FALSE(unreadable.isEmpty());
    QFile garbage(pictureDir() + unreadable);
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("\x89PNG\r\n\x1a\n but no picture follows");
    garbage.close();

    for (int i = 0; i < pageCount(); ++i) {
        window.showPage(i);
        const QString name = QString::fromUtf8(pageAt(i).picture);
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(picture->hasPicture(), name == present);
        EXPECT_FALSE(window.grab().isNull());
    }
}

// Each page names a picture the build ships, and every window the tour
// speaks of is shown on some page rather than the main window standing in.
TEST(TourPages, ShowThePictureOfEachWindowTheyDescribe) {
    const QDir shipped(QStringLiteral(OSSIVANT_SCREENSHOTS));
    QStringList used;
    for (const TourPage& page : TourPages()) {
        const QString picture = QString::fromUtf8(page.picture);
        EXPECT_TRUE(shipped.exists(picture)) << page.picture;
        used << picture;
    }
    for (const char* window : {"welcome-window.png", "main-window.png", "site-editor-new.png",
                               "progress-window.png", "options-manager.png",
                               "options-timers.png", "scrollet.png"})
        EXPECT_TRUE(used.contains(QLatin1String(window))) << window;
    EXPECT_LE(used.count(QStringLiteral("main-window.png")), 2);
}

TEST_F(TourWindowTest, PictureShrinksToFitKeepingItsShapeAndIsNeverEnlarged) {
    const QString path = pictureDir() + QStringLiteral("shot.png");
    TourPicture picture;
    picture.resize(200, 100);

    // 400 x 300 into 200 x 100: 133 x 100, centred, blank at both sides.
    writePicture(path, {400, 300}, Qt::red);
    picture.load(path, QStringLiteral("a shot"));
    ASSERT_TRUE(picture.hasPicture());
    QImage shown = picture.grab().toImage();
    EXPECT_TRUE(isRed(shown, 100, 2));
    EXPECT_TRUE(isRed(shown, 100, 97));
    EXPECT_TRUE(isRed(shown, 40, 50));
    EXPECT_TRUE(isRed(shown, 160, 50));
    EXPECT_FALSE(isRed(shown, 25, 50));
    EXPECT_FALSE(isRed(shown, 175, 50));

    // 40 x 30 stays 40 x 30 in the middle.
    writePicture(path, {40, 30}, Qt::red);
    picture.load(path, QStringLiteral("a small shot"));
    shown = picture.grab().toImage();
    EXPECT_TRUE(isRed(shown, 100, 50));
    EXPECT_TRUE(isRed(shown, 82, 37));
    EXPECT_FALSE(isRed(shown, 75, 50));
    EXPECT_FALSE(isRed(shown, 100, 30));
}

}  // namespace
}  // namespace ossivant::test
