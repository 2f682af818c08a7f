#include "scrollet/check_log_reader.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QStringView>
#include <algorithm>

namespace ossivant::scrollet {

namespace {

const QString kManualStart = QStringLiteral("[START CHECK: MANUAL - ");
const QString kAutoStart = QStringLiteral("[START CHECK: AUTO - ");
const QString kEndLine = QStringLiteral("[END CHECK]");

bool IsBareNumber(QStringView text) {
    if (text.isEmpty() || text.size() > 18) return false;
    for (QChar c : text) {
        if (c < u'0' || c > u'9') return false;
    }
    return true;
}

bool ParseStyle(QStringView text, int* style) {
    QStringView digits = text;
    if (digits.startsWith(u'-')) digits = digits.mid(1);
    if (digits.isEmpty() || digits.size() > 5 || !IsBareNumber(digits)) return false;
    const int value = text.toInt();
    if (value < -32768 || value > 32767) return false;
    *style = value;
    return true;
}

// The start line's kind and time; false when the line is none.
bool ParseStartLine(const QString& line, CycleKind* kind, QString* time) {
    if (!line.endsWith(u']')) return false;
    for (const auto& [prefix, k] : {std::pair{&kManualStart, CycleKind::Manual},
                                    std::pair{&kAutoStart, CycleKind::Automatic}}) {
        if (line.startsWith(*prefix) && line.size() > prefix->size() + 1) {
            *kind = k;
            *time = line.mid(prefix->size(), line.size() - prefix->size() - 1);
            return true;
        }
    }
    return false;
}

}  // namespace

bool ParseDataLine(const QString& line, DataLine* out) {
    const QList<QStringView> parts = QStringView(line).split(u',');
    const qsizetype n = parts.size();
    if (n < 6 || parts[0].trimmed().isEmpty()) return false;
    int style = 0;
    if (!ParseStyle(parts[n - 1], &style)) return false;
    qsizetype elapsed = 3;
    while (elapsed < n - 2 && !IsBareNumber(parts[elapsed])) ++elapsed;
    if (!IsBareNumber(parts[elapsed])) return false;

    auto join = [&](qsizetype from, qsizetype to) {  // parts [from, to) with their commas
        if (from >= to) return QString();
        const qsizetype begin = parts[from].data() - line.data();
        const qsizetype end = parts[to - 1].data() + parts[to - 1].size() - line.data();
        return line.mid(begin, end - begin);
    };
    out->checkStart = parts[0].toString();
    out->siteLabel = parts[1].toString();
    out->resultText = join(2, elapsed);
    out->elapsedSeconds = parts[elapsed].toLongLong();
    out->notes = join(elapsed + 1, n - 1);
    out->htmlStyle = style;
    return true;
}

void CheckLogStream::open(CycleKind kind, const QString& startTime) {
    open_ = true;
    kind_ = kind;
    sink_.beginCycle(kind, startTime);
}

void CheckLogStream::close(bool ended) {
    if (!open_) return;
    open_ = false;
    sink_.endCycle(ended);
}

void CheckLogStream::addLine(QByteArrayView bytes) {
    ++lineNumber_;
    const QString line = QString::fromUtf8(bytes);
    if (line.trimmed().isEmpty()) return;

    CycleKind kind;
    QString time;
    DataLine data;
    LogEntry entry;
    entry.lineNumber = lineNumber_;
    if (ParseStartLine(line, &kind, &time)) {
        close(false);
        open(kind, time);
        ++logLines_;
        return;
    }
    if (line == kEndLine && open_ && kind_ != CycleKind::Unstarted) {
        close(true);
        ++logLines_;
        return;
    }
    if (line != kEndLine && ParseDataLine(line, &data)) {
        entry.data = std::move(data);
        ++logLines_;
    } else {
        // An end line outside a started cycle is out of place: it is
        // shown with the damaged lines rather than taken as an end.
        entry.damaged = true;
        entry.rawText = line;
        ++damagedLines_;
    }
    if (!open_) open(CycleKind::Unstarted, QString());
    sink_.addEntry(entry);
}

void CheckLogStream::finish() {
    close(false);
}

namespace {

// Collects what a stream tells into cycles.
class ParsedLogBuilder final : public CheckLogSink {
public:
    explicit ParsedLogBuilder(ParsedLog& log) : log_(log) {}
    void beginCycle(CycleKind kind, const QString& startTime) override {
        CheckCycle& cycle = log_.cycles.emplace_back();
        cycle.kind = kind;
        cycle.startTime = startTime;
    }
    void addEntry(const LogEntry& entry) override { log_.cycles.back().entries.push_back(entry); }
    void endCycle(bool ended) override { log_.cycles.back().ended = ended; }

private:
    ParsedLog& log_;
};

}  // namespace

ParsedLog ParseCheckLog(const QByteArray& bytes) {
    ParsedLog log;
    ParsedLogBuilder builder(log);
    CheckLogStream stream(builder);
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    StreamCheckLog(buffer, stream);
    log.logLines = stream.logLines();
    log.damagedLines = stream.damagedLines();
    return log;
}

void ReplayLog(const ParsedLog& log, CheckLogSink& sink) {
    for (const CheckCycle& cycle : log.cycles) {
        sink.beginCycle(cycle.kind, cycle.startTime);
        for (const LogEntry& entry : cycle.entries) sink.addEntry(entry);
        sink.endCycle(cycle.ended);
    }
}

bool LooksBinary(const QByteArray& bytes) {
    const qsizetype n = std::min<qsizetype>(bytes.size(), 256);
    for (qsizetype i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if ((c < 32 && c != 9 && c != 10 && c != 13) || c == 127) return true;
    }
    return false;
}

QString OpenCheckLog(const QString& path, QFile& file) {
    const QFileInfo info(path);
    if (!info.exists()) return QStringLiteral("%1: no such file.").arg(path);
    if (info.isDir()) return QStringLiteral("%1 is a folder, not a log file.").arg(path);
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("%1 cannot be read: %2.").arg(path, file.errorString());
    const QByteArray head = file.read(256);
    if (file.error() != QFileDevice::NoError || !file.seek(0))
        return QStringLiteral("%1 cannot be read: %2.").arg(path, file.errorString());
    if (LooksBinary(head))
        return QStringLiteral("%1 is not a check log: it holds binary data.").arg(path);
    return {};
}

qint64 StreamCheckLog(QIODevice& file, CheckLogStream& stream, qint64 bytes) {
    // Read in blocks, split at line ends: a line is held only while it is
    // read, however long the file.
    constexpr qint64 kBlock = 256 * 1024;
    qint64 read = 0;
    QByteArray pending;
    while (bytes < 0 || read < bytes) {
        const qint64 want = bytes < 0 ? kBlock : std::min(kBlock, bytes - read);
        const QByteArray block = file.read(want);
        if (block.isEmpty()) break;
        read += block.size();
        qsizetype from = 0;
        for (qsizetype to = block.indexOf('\n'); to >= 0; to = block.indexOf('\n', from)) {
            pending.append(block.constData() + from, to - from);
            if (pending.endsWith('\r')) pending.chop(1);
            stream.addLine(pending);
            pending.clear();
            from = to + 1;
        }
        pending.append(block.constData() + from, block.size() - from);
    }
    if (!pending.isEmpty()) {
        if (pending.endsWith('\r')) pending.chop(1);
        stream.addLine(pending);
    }
    stream.finish();
    return read;
}

QString NoCheckLogReason(const QString& path, const CheckLogStream& stream) {
    if (stream.logLines() > 0) return {};
    // Every line that is not blank is a log line or a damaged one.
    return stream.damagedLines() == 0
               ? QStringLiteral("%1 is not a check log: it is empty.").arg(path)
               : QStringLiteral("%1 is not a check log: none of its lines is a check-log line.")
                     .arg(path);
}

LoadedLog LoadCheckLog(const QString& path) {
    LoadedLog result;
    QFile file;
    result.error = OpenCheckLog(path, file);
    if (!result.error.isEmpty()) return result;
    ParsedLogBuilder builder(result.log);
    CheckLogStream stream(builder);
    StreamCheckLog(file, stream);
    if (file.error() != QFileDevice::NoError) {
        result.error = QStringLiteral("%1 cannot be read: %2.").arg(path, file.errorString());
        result.log = {};
        return result;
    }
    result.log.logLines = stream.logLines();
    result.log.damagedLines = stream.damagedLines();
    result.error = NoCheckLogReason(path, stream);
    if (!result.error.isEmpty()) {
        result.log = {};
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace ossivant::scrollet
