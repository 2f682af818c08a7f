#include "scrollet/log_window.h"

#include <QBoxLayout>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBrowser>

namespace ossivant::scrollet {

namespace {

// Added to the page's own style sheet, for the screen only. A wrapped
// cell's lines get room below them, so that underscores and descenders
// are never covered by the next line; blanks are shown as the log holds
// them, where HTML would fold a run of them into one.
const char kScreenStyle[] = "td { line-height: 125%; white-space: pre-wrap; }";

}  // namespace

LogWindow::LogWindow(const QString& logPath, std::function<QString()> readPage, QWidget* parent)
    : QWidget(parent), readPage_(std::move(readPage)) {
    setWindowTitle(QStringLiteral("Scrollet - ") + QFileInfo(logPath).fileName());

    page_ = new QTextBrowser(this);
    page_->setObjectName(QStringLiteral("logView"));
    page_->setOpenLinks(false);
    page_->setOpenExternalLinks(false);
    page_->setReadOnly(true);
    page_->document()->setDefaultStyleSheet(QLatin1String(kScreenStyle));
    // A narrow window gives a column less room than its longest word (an
    // error name such as SSL_ERROR_SYSCALL): the word is broken, not cut.
    QTextOption wrapping = page_->document()->defaultTextOption();
    wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    page_->document()->setDefaultTextOption(wrapping);

    findBar_ = new QWidget(this);
    findBar_->setObjectName(QStringLiteral("findBar"));
    findText_ = new QLineEdit(findBar_);
    findText_->setObjectName(QStringLiteral("findText"));
    findText_->setClearButtonEnabled(true);
    auto* findLabel = new QLabel(QStringLiteral("&Find:"), findBar_);
    findLabel->setBuddy(findText_);
    auto* bar = new QHBoxLayout(findBar_);
    bar->setContentsMargins(6, 4, 6, 4);
    bar->addWidget(findLabel);
    bar->addWidget(findText_, 1);
    findBar_->hide();
    findText_->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(page_, 1);
    layout->addWidget(findBar_);

    const auto onKeys = [this](const QKeySequence& keys, auto slot) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, slot);
    };
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W),
                                     QKeySequence(Qt::CTRL | Qt::Key_Q)})
        onKeys(keys, &QWidget::close);
    onKeys(QKeySequence(Qt::Key_F5), &LogWindow::reload);
    onKeys(QKeySequence(Qt::CTRL | Qt::Key_F), &LogWindow::openFind);

    resize(980, 660);
    reload();
}

void LogWindow::reload() {
    // The place in the page is kept, as far as the page still reaches.
    QScrollBar* scroll = page_->verticalScrollBar();
    const int at = scroll->value();
    page_->setHtml(readPage_ ? readPage_() : QString());
    scroll->setValue(at);
}

void LogWindow::openFind() {
    findBar_->show();
    findText_->setFocus(Qt::ShortcutFocusReason);
    findText_->selectAll();
}

bool LogWindow::findNext(bool backward) {
    const QString text = findText_->text();
    if (text.isEmpty()) return false;
    const QTextDocument::FindFlags flags =
        backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (page_->find(text, flags)) return true;
    // Round from the other end.
    QTextCursor from = page_->textCursor();
    from.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
    page_->setTextCursor(from);
    return page_->find(text, flags);
}

bool LogWindow::eventFilter(QObject* watched, QEvent* event) {
    const bool press = event->type() == QEvent::KeyPress;
    if (watched != findText_ || (!press && event->type() != QEvent::ShortcutOverride))
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (!press) {  // Esc belongs to the bar while it has the focus, not to the window
        if (key->key() == Qt::Key_Escape) key->accept();
        return false;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        findNext(key->modifiers() & Qt::ShiftModifier);
        return true;
    }
    if (key->key() == Qt::Key_Escape) {
        findBar_->hide();
        page_->setFocus();
        return true;
    }
    return false;
}

}  // namespace ossivant::scrollet
