#pragma once

#include <QLabel>

namespace ossivant {

// A one-line label that shows as much of its text as fits, with an ellipsis in
// the middle, so that a long site address neither widens its window nor is cut
// off mid-glyph. text() stays the whole text, and the tooltip shows it whenever
// the label had to shorten it.
class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    // What is painted at the label's current width.
    QString shownText() const;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
};

}  // namespace ossivant
