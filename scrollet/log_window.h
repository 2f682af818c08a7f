#pragma once

#include <QString>
#include <QWidget>
#include <functional>

class QLineEdit;
class QTextBrowser;

namespace ossivant::scrollet {

// The viewer's window: the log's page, read-only, under the log's file name.
// F5 reads the log again, so a check cycle that ran meanwhile shows up;
// Ctrl+F opens a find bar under the page, in which Enter finds the next
// match and Shift+Enter the one before, going round at either end. Esc,
// Ctrl+W and Ctrl+Q close the window; Esc in the find bar closes the bar.
class LogWindow final : public QWidget {
    Q_OBJECT
public:
    // `readPage` reads the log and makes its page; it runs now and at each F5.
    LogWindow(const QString& logPath, std::function<QString()> readPage,
              QWidget* parent = nullptr);

    QTextBrowser* page() const { return page_; }
    void reload();
    void openFind();
    // Selects the next (or previous) match of the find bar's text; false when
    // the page holds none.
    bool findNext(bool backward = false);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<QString()> readPage_;
    QTextBrowser* page_;
    QWidget* findBar_;
    QLineEdit* findText_;
};

}  // namespace ossivant::scrollet
