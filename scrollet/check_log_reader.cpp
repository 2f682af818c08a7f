#include "scrollet/check_log_reader.h"

#include <QFile>
#include <QFileInfo>
#include <QStringView>

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

ParsedLog ParseCheckLog(const QByteArray& bytes) {
    ParsedLog log;
    CheckCycle* open = nullptr;  // the cycle the next data line belongs to
    auto openUnstarted = [&]() {
        if (!open) {
            log.cycles.emplace_back();
            open = &log.cycles.back();
        }
        return open;
    };

    int lineNumber = 0;
    qsizetype from = 0;
    while (from < bytes.size()) {
        qsizetype to = bytes.indexOf('\n', from);
        if (to < 0) to = bytes.size();
        qsizetype end = to;
        if (end > from && bytes[end - 1] == '\r') --end;
        const QString line = QString::fromUtf8(bytes.constData() + from, end - from);
        from = to + 1;
        ++lineNumber;
        if (line.trimmed().isEmpty()) continue;

        CycleKind kind;
        QString time;
        DataLine data;
        if (ParseStartLine(line, &kind, &time)) {
            log.cycles.emplace_back();
            open = &log.cycles.back();
            open->kind = kind;
            open->startTime = time;
            ++log.logLines;
        } else if (line == kEndLine && open && open->kind != CycleKind::Unstarted) {
            open->ended = true;
            open = nullptr;
            ++log.logLines;
        } else if (line != kEndLine && ParseDataLine(line, &data)) {
            LogEntry entry;
            entry.lineNumber = lineNumber;
            entry.data = std::move(data);
            openUnstarted()->entries.push_back(std::move(entry));
            ++log.logLines;
        } else {
            // An end line outside a started cycle is out of place: it is
            // shown with the damaged lines rather than taken as an end.
            LogEntry entry;
            entry.damaged = true;
            entry.lineNumber = lineNumber;
            entry.rawText = line;
            openUnstarted()->entries.push_back(std::move(entry));
            ++log.damagedLines;
        }
    }
    return log;
}

bool LooksBinary(const QByteArray& bytes) {
    const qsizetype n = std::min<qsizetype>(bytes.size(), 256);
    for (qsizetype i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if ((c < 32 && c != 9 && c != 10 && c != 13) || c == 127) return true;
    }
    return false;
}

LoadedLog LoadCheckLog(const QString& path) {
    LoadedLog result;
    const QFileInfo info(path);
    if (!info.exists()) {
        result.error = QStringLiteral("%1: no such file.").arg(path);
        return result;
    }
    if (info.isDir()) {
        result.error = QStringLiteral("%1 is a folder, not a log file.").arg(path);
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("%1 cannot be read: %2.").arg(path, file.errorString());
        return result;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.error = QStringLiteral("%1 cannot be read: %2.").arg(path, file.errorString());
        return result;
    }
    if (LooksBinary(bytes)) {
        result.error = QStringLiteral("%1 is not a check log: it holds binary data.").arg(path);
        return result;
    }
    result.log = ParseCheckLog(bytes);
    if (result.log.logLines == 0) {
        result.error = bytes.trimmed().isEmpty()
                           ? QStringLiteral("%1 is not a check log: it is empty.").arg(path)
                           : QStringLiteral(
                                 "%1 is not a check log: none of its lines is a "
                                 "check-log line.")
                                 .arg(path);
        result.log = {};
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace ossivant::scrollet
