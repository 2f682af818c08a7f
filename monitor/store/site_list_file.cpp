#include "monitor/store/site_list_file.h"

#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <limits>

namespace ossivant {

namespace {

constexpr qint64 kTextCheckBytes = 256;

// The number a text starts with, after leading blanks: an optional sign,
// digits and a decimal part. 0 when the text starts with none.
double LeadingNumber(const QString& text) {
    const QString t = text.trimmed();
    qsizetype end = 0;
    if (end < t.size() && (t[end] == u'+' || t[end] == u'-')) ++end;
    const qsizetype digitsFrom = end;
    while (end < t.size() && t[end].isDigit() && t[end].unicode() < 128) ++end;
    if (end < t.size() && t[end] == u'.') {
        ++end;
        while (end < t.size() && t[end].isDigit() && t[end].unicode() < 128) ++end;
    }
    if (end == digitsFrom || (end == digitsFrom + 1 && t[digitsFrom] == u'.')) return 0;
    return t.left(end).toDouble();
}

// A whole number of its text, rounded half to even, when it lies in lo..hi.
template <class Int>
bool WholeNumber(const QString& text, Int lo, Int hi, Int& out) {
    const double value = std::nearbyint(LeadingNumber(text));
    if (!(value >= double(lo) && value <= double(hi))) return false;
    out = static_cast<Int>(value);
    return true;
}

bool IsNumber(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return false;
    qsizetype i = 0;
    if (t[i] == u'+' || t[i] == u'-') ++i;
    bool digits = false;
    bool point = false;
    for (; i < t.size(); ++i) {
        if (t[i] >= u'0' && t[i] <= u'9') {
            digits = true;
        } else if (t[i] == u'.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digits;
}

}  // namespace

QString FormatSiteLine(const SiteTable& sites, std::int32_t index) {
    const SiteRecord& site = sites[index];
    return site.URL.trimmed() + u',' + site.IP + u',' + QString::number(site.Status) + u',' +
           QString::number(site.Enabled) + u',' + QString::number(site.TimeOut);
}

std::int32_t ParseSiteLine(const QString& line, SiteRecord& record) {
    record = SiteRecord();
    bool numbersFit = true;
    int field = 0;
    // One pass over the line: each field is looked at once, so a line of
    // many commas costs no more than its length.
    const QStringView text(line);
    qsizetype from = 0;
    while (from < text.size()) {
        qsizetype comma = text.indexOf(u',', from);
        const bool last = comma < 0 || comma == text.size() - 1;
        if (comma < 0) comma = text.size();
        const QString value = text.sliced(from, comma - from).toString();
        from = comma + 1;
        switch (++field) {
            case 1:
                record.URL = value.trimmed();
                break;
            case 2:
                record.IP = value.trimmed();
                break;
            case 3:
                numbersFit &= WholeNumber<std::uint8_t>(value, 0, 255, record.Status);
                break;
            case 4:
                numbersFit &= WholeNumber<std::uint8_t>(value, 0, 255, record.Enabled);
                break;
            default: {
                std::int32_t timeOut = 0;
                const bool fits =
                    WholeNumber<std::int32_t>(value, std::numeric_limits<std::int32_t>::min(),
                                              std::numeric_limits<std::int32_t>::max(), timeOut);
                // Only the last TimeOut field counts, so only its fit does.
                if (fits) record.TimeOut = timeOut;
                if (last) numbersFit &= fits;
                break;
            }
        }
    }
    if (record.URL.isEmpty() && record.IP.isEmpty()) return kLineEmpty;
    if (!record.IP.isEmpty() && !IsValidIP(record.IP)) return kLineBadIp;
    if (!numbersFit) return kLineBadNumber;
    if (record.Status == 0) record.Status = StatusOK;
    if (record.Enabled > 1) record.Enabled = 1;
    if (record.TimeOut < 1) record.TimeOut = 60;
    return kLineUsable;
}

bool IsValidIP(const QString& text) {
    QString t = text.trimmed();
    if (t.isEmpty()) return false;
    if (!t.endsWith(u'.')) t += u'.';
    const QStringList pieces = t.split(u'.');
    // "a.b.c.d." splits into five, the last empty; fewer pieces lack a part.
    if (pieces.size() < 5) return false;
    for (int i = 0; i < 4; ++i)
        if (!IsNumber(pieces[i])) return false;
    return true;
}

std::int32_t IsBinaryFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile()) return 1;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return 1;
    const QByteArray head = file.read(kTextCheckBytes);
    for (const char c : head) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 32 && byte != 9 && byte != 10 && byte != 13) || byte == 127) return 1;
    }
    return 0;
}

}  // namespace ossivant
