#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

namespace ossivant {

class TourPicture;

// The tour's one window: the title, picture and text of one page, the page
// number as "n of N", and Back, Next and Close. Back is off on the first page
// and Next on the last. Pictures are read from `pictureDir` whenever a page is
// shown, so the tour works with any of them missing.
class TourWindow : public QWidget {
    Q_OBJECT

public:
    explicit TourWindow(const QString& pictureDir, QWidget* parent = nullptr);

    int page() const { return page_; }
    void showPage(int index);

private:
    QString pictureDir_;
    int page_ = -1;
    QLabel* title_;
    TourPicture* picture_;
    QLabel* text_;
    QLabel* pageNumber_;
    QPushButton* back_;
    QPushButton* next_;
    QPushButton* close_;
};

}  // namespace ossivant
