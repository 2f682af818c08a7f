#include "scrollet/log_window.h"

#include <QFileInfo>

namespace ossivant::scrollet {

std::unique_ptr<QTextBrowser> MakeLogWindow(const QString& logPath, const QString& html) {
    auto window = std::make_unique<QTextBrowser>();
    window->setObjectName(QStringLiteral("logView"));
    window->setWindowTitle(QStringLiteral("Scrollet - ") + QFileInfo(logPath).fileName());
    window->setOpenLinks(false);
    window->setOpenExternalLinks(false);
    window->setReadOnly(true);
    window->setHtml(html);
    window->resize(980, 660);
    return window;
}

}  // namespace ossivant::scrollet
