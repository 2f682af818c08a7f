#pragma once

#include <QString>
#include <functional>

#include "scrollet/check_log_reader.h"
#include "scrollet/log_summary.h"

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

using Sink = std::function<void(const QString&)>;

// Writes the document as the log is read, handing it to the sink in
// consecutive pieces: it holds one row at a time, never the whole copy.
class LogHtmlWriter final : public CheckLogSink {
public:
    // The head of the document and the summary, which must be known first.
    LogHtmlWriter(const QString& fileName, const LogSummary& summary, Sink sink);

    void beginCycle(CycleKind kind, const QString& startTime) override;
    void addEntry(const LogEntry& entry) override;
    void endCycle(bool ended) override;
    // The end of the document.
    void finish();

private:
    void handOver();

    Sink sink_;
    QString out_;
    CycleKind kind_ = CycleKind::Unstarted;
    int entries_ = 0;  // of the cycle being written
};

// The whole document; `fileName` names the log in its title and heading.
QString LogToHtml(const ParsedLog& log, const QString& fileName);

// The same document handed to `sink` in consecutive pieces.
void RenderLogHtml(const ParsedLog& log, const QString& fileName, const Sink& sink);

// The document of the log file at `path`, read twice as a stream (figures,
// then rows), so that memory does not grow with the log. The reason when
// it cannot be read as a log, before anything reached the sink; empty when
// it was written. A read failure on the way is told too.
QString StreamLogHtml(const QString& path, const Sink& sink);

}  // namespace ossivant::scrollet
