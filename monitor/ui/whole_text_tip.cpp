#include "monitor/ui/whole_text_tip.h"

#include <QEvent>
#include <QLineEdit>
#include <QStyle>

namespace ossivant {

namespace {

// QLineEdit keeps this many pixels free at either side of its text.
constexpr int kLineEditTextMargin = 2;

class WholeTextTip final : public QObject {
public:
    explicit WholeTextTip(QLineEdit* box) : QObject(box), box_(box), ownTip_(box->toolTip()) {
        box->installEventFilter(this);
        connect(box, &QLineEdit::textChanged, this, &WholeTextTip::update);
        update();
    }

    bool eventFilter(QObject*, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type == QEvent::Resize || type == QEvent::FontChange || type == QEvent::Show) update();
        return false;
    }

private:
    void update() {
        const QString text = box_->displayText();
        const int frame = box_->hasFrame()
                              ? box_->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, box_)
                              : 0;
        const QMargins margins = box_->textMargins();
        const int room = box_->width() - 2 * (frame + kLineEditTextMargin) - margins.left() -
                         margins.right();
        const bool cut = box_->fontMetrics().horizontalAdvance(text) > room;
        box_->setToolTip(cut ? box_->text() : ownTip_);
    }

    QLineEdit* box_;
    QString ownTip_;
};

}  // namespace

void ShowWholeTextWhenCut(QLineEdit* box) {
    new WholeTextTip(box);
}

}  // namespace ossivant
