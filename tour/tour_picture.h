#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

namespace ossivant {

// The picture of a tour page, scaled down to fit the widget with its aspect
// ratio kept (never enlarged, so a screenshot stays sharp). A file that is
// missing or cannot be read is no error: a framed placeholder with the
// picture's caption takes its place.
class TourPicture : public QWidget {
    Q_OBJECT

public:
    explicit TourPicture(QWidget* parent = nullptr);

    // Reads the picture from `path` now; `caption` describes it.
    void load(const QString& path, const QString& caption);

    bool hasPicture() const { return !pixmap_.isNull(); }
    const QString& caption() const { return caption_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintPlaceholder(QPainter& painter);

    QPixmap pixmap_;
    QString caption_;
};

}  // namespace ossivant
