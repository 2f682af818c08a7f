#pragma once

#include <QString>
#include <QTextBrowser>
#include <memory>

namespace ossivant::scrollet {

// The viewer's window: the log's HTML copy in a read-only browser, titled
// "Scrollet - " and the log's file name. Links are never followed; the
// document holds none of its own.
std::unique_ptr<QTextBrowser> MakeLogWindow(const QString& logPath, const QString& html);

}  // namespace ossivant::scrollet
