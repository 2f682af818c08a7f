#include "scrollet/log_html.h"

#include <QFile>
#include <QFileInfo>
#include <QLatin1StringView>
#include <functional>

#include "scrollet/log_summary.h"

namespace ossivant::scrollet {

namespace {

// Kept to what both browsers and the viewer's own rich-text widget render.
const char kStyleSheet[] =
    "body { font-family: sans-serif; color: #1a1a1a; background-color: #ffffff; margin: 12px; }\n"
    "h1 { font-size: 150%; margin: 0 0 8px 0; }\n"
    "h2 { font-size: 115%; margin: 18px 0 6px 0; }\n"
    "table { border-collapse: collapse; border: 1px solid #b0b0b0; margin-bottom: 10px; }\n"
    "th, td { border: 1px solid #b0b0b0; padding: 3px 8px; vertical-align: top; "
    "text-align: left; }\n"
    "th { background-color: #e4e4e4; }\n"
    "td.number { text-align: right; }\n"
    "tr.ok td { background-color: #e3f4e1; }\n"
    "tr.down td { background-color: #f9d6d5; }\n"
    "tr.disabled td { background-color: #ececec; color: #6a6a6a; }\n"
    "tr.warning td { background-color: #fcf0c8; }\n"
    "tr.damaged td { background-color: #ffffff; color: #8a1f11; font-style: italic; }\n"
    "span.emphasis { font-weight: bold; }\n"
    "code { font-family: monospace; }\n"
    "p.note { color: #8a1f11; font-style: italic; }\n";

struct RowStyle {
    const char* rowClass;
    const char* label;
};

RowStyle RowStyleFor(int htmlStyle) {
    switch (htmlStyle) {
        case kStyleSuccess:
            return {"ok", "OK"};
        case kStyleDown:
            return {"down", "Down"};
        case kStyleDisabled:
            return {"disabled", "Disabled"};
        case kStyleWarning:
            return {"warning", "Warning"};
        default:
            return {"plain", ""};
    }
}

bool StartsWithToken(QStringView text, qsizetype at, QLatin1StringView token) {
    return text.sliced(at).startsWith(token, Qt::CaseInsensitive);
}

void AppendEscaped(QString& out, QChar c) {
    switch (c.unicode()) {
        case u'&':
            out += QLatin1StringView("&amp;");
            break;
        case u'<':
            out += QLatin1StringView("&lt;");
            break;
        case u'>':
            out += QLatin1StringView("&gt;");
            break;
        case u'"':
            out += QLatin1StringView("&quot;");
            break;
        case u'\'':
            out += QLatin1StringView("&#39;");
            break;
        default:
            // Control characters have no place in a document; tab is a blank.
            if (c == u'\t') {
                out += u' ';
            } else if (c.unicode() < 32 || c.unicode() == 127) {
                out += QChar(0xFFFD);
            } else {
                out += c;
            }
    }
}

void AppendCell(QString& out, const QString& html, const char* cellClass = nullptr) {
    out += cellClass ? QStringLiteral("<td class=\"%1\">").arg(QLatin1StringView(cellClass))
                     : QStringLiteral("<td>");
    out += html;
    out += QLatin1StringView("</td>");
}

void AppendSummary(QString& out, const LogSummary& s) {
    auto row = [&](const char* label, int value) {
        out += QStringLiteral("<tr><th>%1</th><td class=\"number\">%2</td></tr>\n")
                   .arg(QLatin1StringView(label))
                   .arg(value);
    };
    out += QLatin1StringView("<h2>Summary</h2>\n<table class=\"summary\">\n");
    row("Check cycles", s.cycles);
    row("Checks", s.checks);
    row("Successes", s.successes);
    row("Failures", s.failures);
    row("Warnings", s.warnings);
    row("Disabled sites", s.disabled);
    if (s.damaged > 0) row("Damaged lines", s.damaged);
    out += QLatin1StringView("</table>\n");
    if (s.downSites.empty()) {
        out += QLatin1StringView("<p>No site went down.</p>\n");
        return;
    }
    out += QLatin1StringView("<h2>Sites that went down</h2>\n<table class=\"down-sites\">\n");
    out += QLatin1StringView("<tr><th>Site</th><th>Failures</th></tr>\n");
    for (const LogSummary::DownSite& site : s.downSites) {
        out += QLatin1StringView("<tr class=\"down\">");
        AppendCell(out, RenderLogText(site.siteLabel));
        AppendCell(out, QString::number(site.failures), "number");
        out += QLatin1StringView("</tr>\n");
    }
    out += QLatin1StringView("</table>\n");
}

}  // namespace

QString EscapeHtml(QStringView text) {
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (QChar c : text) AppendEscaped(out, c);
    return out;
}

QString RenderLogText(QStringView text) {
    static constexpr QLatin1StringView kBreak("<br>");
    static constexpr QLatin1StringView kOpen("<span class=\"emphasis\">");
    static constexpr QLatin1StringView kClose("</span>");
    QString out;
    out.reserve(text.size() + text.size() / 8);
    int openSpans = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'<') {
            if (StartsWithToken(text, i, kBreak)) {
                out += QLatin1StringView("<br>");
                i += kBreak.size() - 1;
                continue;
            }
            if (StartsWithToken(text, i, kOpen)) {
                out += QLatin1StringView("<span class=\"emphasis\">");
                ++openSpans;
                i += kOpen.size() - 1;
                continue;
            }
            if (openSpans > 0 && StartsWithToken(text, i, kClose)) {
                out += QLatin1StringView("</span>");
                --openSpans;
                i += kClose.size() - 1;
                continue;
            }
        }
        AppendEscaped(out, text[i]);
    }
    while (openSpans-- > 0) out += QLatin1StringView("</span>");
    return out;
}

LogHtmlWriter::LogHtmlWriter(const QString& fileName, const LogSummary& summary, Sink sink)
    : sink_(std::move(sink)) {
    const QString name = EscapeHtml(fileName);
    out_ += QLatin1StringView(
                "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>Check log ") +
            name + QLatin1StringView("</title>\n<style>\n") + QLatin1StringView(kStyleSheet) +
            QLatin1StringView("</style>\n</head>\n<body>\n<h1>Check log ") + name +
            QLatin1StringView("</h1>\n");
    AppendSummary(out_, summary);
}

void LogHtmlWriter::beginCycle(CycleKind kind, const QString& startTime) {
    kind_ = kind;
    entries_ = 0;
    switch (kind) {
        case CycleKind::Manual:
            out_ += QLatin1StringView("<h2>Manual check, started ") + EscapeHtml(startTime) +
                    QLatin1StringView("</h2>\n");
            break;
        case CycleKind::Automatic:
            out_ += QLatin1StringView("<h2>Automatic check, started ") + EscapeHtml(startTime) +
                    QLatin1StringView("</h2>\n");
            break;
        case CycleKind::Unstarted:
            out_ += QLatin1StringView("<h2>Lines outside a check cycle</h2>\n");
            break;
    }
}

void LogHtmlWriter::addEntry(const LogEntry& entry) {
    if (entries_++ == 0) {
        out_ += QLatin1StringView(
            "<table class=\"cycle\">\n<tr><th>Status</th><th>Checked at</th><th>Site</th>"
            "<th>Result</th><th>Seconds</th><th>Notes</th></tr>\n");
    }
    if (entry.damaged) {
        out_ += QLatin1StringView("<tr class=\"damaged\"><td>Damaged</td>");
        AppendCell(out_, QStringLiteral("line %1").arg(entry.lineNumber));
        out_ += QLatin1StringView("<td colspan=\"4\"><code>") + EscapeHtml(entry.rawText) +
                QLatin1StringView("</code></td></tr>\n");
    } else {
        const DataLine& line = entry.data;
        const RowStyle style = RowStyleFor(line.htmlStyle);
        out_ += QStringLiteral("<tr class=\"%1\">").arg(QLatin1StringView(style.rowClass));
        AppendCell(out_, QLatin1StringView(style.label));
        AppendCell(out_, EscapeHtml(line.checkStart));
        AppendCell(out_, RenderLogText(line.siteLabel));
        AppendCell(out_, RenderLogText(line.resultText));
        AppendCell(out_, QString::number(line.elapsedSeconds), "number");
        AppendCell(out_, RenderLogText(line.notes));
        out_ += QLatin1StringView("</tr>\n");
    }
    handOver();
}

void LogHtmlWriter::handOver() {
    // A piece at a time, so that a large log's copy never has to be held
    // whole.
    if (out_.size() < 64 * 1024) return;
    sink_(out_);
    out_.clear();
}

void LogHtmlWriter::endCycle(bool ended) {
    if (entries_ == 0)
        out_ += QLatin1StringView("<p>No site was checked.</p>\n");
    else
        out_ += QLatin1StringView("</table>\n");
    if (kind_ != CycleKind::Unstarted && !ended) {
        out_ += QLatin1StringView(
            "<p class=\"note\">No end line: the cycle did not finish, or the log ends "
            "early.</p>\n");
    }
    handOver();
}

void LogHtmlWriter::finish() {
    out_ += QLatin1StringView("</body>\n</html>\n");
    sink_(out_);
    out_.clear();
}

void RenderLogHtml(const ParsedLog& log, const QString& fileName, const Sink& sink) {
    LogHtmlWriter writer(fileName, Summarize(log), sink);
    ReplayLog(log, writer);
    writer.finish();
}

QString LogToHtml(const ParsedLog& log, const QString& fileName) {
    QString html;
    RenderLogHtml(log, fileName, [&html](const QString& piece) { html += piece; });
    return html;
}

QString StreamLogHtml(const QString& path, const Sink& sink) {
    QFile file;
    if (QString error = OpenCheckLog(path, file); !error.isEmpty()) return error;
    // The summary stands above the cycles, so the log is read twice: once
    // for the figures, once for the rows. The second reading stops where the
    // first did, should the monitor be adding lines meanwhile.
    LogSummaryBuilder summary;
    CheckLogStream counting(summary);
    const qint64 bytes = StreamCheckLog(file, counting);
    QString unreadable = QStringLiteral("%1 cannot be read: %2.");
    if (file.error() != QFileDevice::NoError) return unreadable.arg(path, file.errorString());
    if (QString none = NoCheckLogReason(path, counting); !none.isEmpty()) return none;
    if (!file.seek(0)) return unreadable.arg(path, file.errorString());
    LogHtmlWriter writer(QFileInfo(path).fileName(), summary.summary(), sink);
    CheckLogStream rows(writer);
    StreamCheckLog(file, rows, bytes);
    if (file.error() != QFileDevice::NoError) return unreadable.arg(path, file.errorString());
    writer.finish();
    return {};
}

}  // namespace ossivant::scrollet
