#pragma once

#include <QString>
#include <functional>

#include "scrollet/check_log_reader.h"

namespace ossivant::scrollet {

// The HTML copy of a check log: one standalone UTF-8 document with its style
// sheet inline, no scripts and nothing loaded from elsewhere, so it opens the
// same in any browser and in the viewer's own window.
//
// Every text from the log is escaped. The only mark-up that passes is the
// check engine's own: "<BR>" (in any letter case) becomes a line break and
// "<SPAN class="Emphasis">" ... "</SPAN>" an emphasis. Those exact tokens are
// recognised and nothing else, so a site address or an error text can never
// bring its own elements or scripts into the page.

// HTML-escapes `text` (& < > " ' and control characters).
QString EscapeHtml(QStringView text);

// A log text as HTML: escaped, with the engine's mark-up rendered.
QString RenderLogText(QStringView text);

// The whole document; `fileName` names the log in its title and heading.
QString LogToHtml(const ParsedLog& log, const QString& fileName);

// The same document handed to `sink` in consecutive pieces.
void RenderLogHtml(const ParsedLog& log, const QString& fileName,
                   const std::function<void(const QString&)>& sink);

}  // namespace ossivant::scrollet
