#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace ossivant::scrollet {

// What the monitor's check log holds, read back line by line. The log is
// written with CR LF, but a file that passed through other tools may use LF
// alone; both are read. Texts are UTF-8 (a byte that is not becomes U+FFFD).
//
// Nothing that was in the file is dropped: a line that is neither a start
// line, an end line nor a data line is kept as a damaged entry in the cycle
// where it stood, and lines outside any cycle (before the first start line,
// or after an end line) form a cycle of their own without a start. Blank
// lines carry nothing and are passed over.

enum class CycleKind { Manual, Automatic, Unstarted };

// One data line: CheckStart,SiteLabel,ResultText,elapsed,Notes,HTMLStyle.
// Texts are kept exactly as written, with the engine's mark-up in them.
struct DataLine {
    QString checkStart;
    QString siteLabel;
    QString resultText;
    qint64 elapsedSeconds = 0;
    QString notes;
    int htmlStyle = 0;
};

// The display classes the check engine gives its lines.
enum HtmlStyle : int {
    kStylePlain = 0,
    kStyleSuccess = 1,
    kStyleDown = 2,
    kStyleDisabled = 3,
    kStyleWarning = 4,
};

struct LogEntry {
    bool damaged = false;
    int lineNumber = 0;  // 1-based line of the file
    DataLine data;       // when not damaged
    QString rawText;     // the line as it stands in the file, when damaged
};

struct CheckCycle {
    CycleKind kind = CycleKind::Unstarted;
    QString startTime;  // the time text of the start line, as written
    bool ended = false;
    std::vector<LogEntry> entries;
};

struct ParsedLog {
    std::vector<CheckCycle> cycles;
    int logLines = 0;      // start, end and data lines recognised
    int damagedLines = 0;  // lines kept as damaged
};

// Splits one data line into its fields; false when the line is not one.
// The first two fields and the last one never hold a comma of their own, the
// elapsed seconds are a bare number: a comma in the site label or result text
// shifts the elapsed field to the right, and so it is the first bare number
// after the result text; the notes are everything between it and the style.
bool ParseDataLine(const QString& line, DataLine* out);

ParsedLog ParseCheckLog(const QByteArray& bytes);

// True when the first 256 bytes hold a control byte other than tab, LF and
// CR, or the byte 127: the same test the monitor applies before it starts
// the viewer.
bool LooksBinary(const QByteArray& bytes);

// A log file read from disk, or the reason why it could not be.
struct LoadedLog {
    bool ok = false;
    QString error;  // one sentence naming the file, when not ok
    ParsedLog log;
};

LoadedLog LoadCheckLog(const QString& path);

}  // namespace ossivant::scrollet
