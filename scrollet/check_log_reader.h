#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
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

// Told the log's cycles and lines in the order they stand in the file.
// Every entry lies between the begin and the end of its cycle.
class CheckLogSink {
public:
    virtual ~CheckLogSink() = default;
    virtual void beginCycle(CycleKind kind, const QString& startTime) = 0;
    virtual void addEntry(const LogEntry& entry) = 0;
    // `ended`: the cycle has its end line.
    virtual void endCycle(bool ended) = 0;
};

// Reads a log handed over one line at a time, and holds no more of it than
// the kind of the cycle that is open.
class CheckLogStream {
public:
    explicit CheckLogStream(CheckLogSink& sink) : sink_(sink) {}

    // The next line of the file, without its line end.
    void addLine(QByteArrayView bytes);
    // Ends the cycle still open at the end of the file.
    void finish();

    int logLines() const { return logLines_; }
    int damagedLines() const { return damagedLines_; }

private:
    void open(CycleKind kind, const QString& startTime);
    void close(bool ended);

    CheckLogSink& sink_;
    bool open_ = false;  // a cycle takes the next data line
    CycleKind kind_ = CycleKind::Unstarted;
    int lineNumber_ = 0;
    int logLines_ = 0;
    int damagedLines_ = 0;
};

ParsedLog ParseCheckLog(const QByteArray& bytes);

// Tells a log read before to `sink`, as its stream told it.
void ReplayLog(const ParsedLog& log, CheckLogSink& sink);

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

// Opens a log file for reading, after the same checks as LoadCheckLog (it
// exists, is no folder, can be read and does not look binary); the reason
// when it cannot be read as a log.
QString OpenCheckLog(const QString& path, QFile& file);

// Reads the log from `file` up to `bytes` bytes (to its end when -1) into
// `stream`, one line at a time, and finishes it; the bytes read.
qint64 StreamCheckLog(QIODevice& file, CheckLogStream& stream, qint64 bytes = -1);

// Why the log `path`, read into `stream`, is no check log; empty when it is
// one.
QString NoCheckLogReason(const QString& path, const CheckLogStream& stream);

}  // namespace ossivant::scrollet
