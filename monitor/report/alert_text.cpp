#include "monitor/report/alert_text.h"

#include <array>
#include <utility>

#include "monitor/report/alert_strings.h"
#include "monitor/report/blank_text.h"

namespace ossivant {

namespace {

constexpr qsizetype kLineWidth = 76;
const QString kCrLf = QStringLiteral("\r\n");

// Position of the placeholder at or after `from`, compared without regard to
// ASCII case, or -1. Only ASCII letters fold, so a match never depends on how
// some other script's letters change case.
qsizetype FindPlaceholder(const QString& text, QLatin1StringView placeholder, qsizetype from) {
    const qsizetype last = text.size() - placeholder.size();
    for (qsizetype i = from; i <= last; ++i) {
        qsizetype k = 0;
        for (; k < placeholder.size(); ++k) {
            char16_t c = text[i + k].unicode();
            if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
            if (c != static_cast<char16_t>(placeholder[k].unicode())) break;
        }
        if (k == placeholder.size()) return i;
    }
    return -1;
}

QString ManagerNameValue(const Settings& settings) {
    return IsBlank(settings.ManagerName) ? QStringLiteral("Ossivant manager")
                                         : settings.ManagerName;
}

}  // namespace

QString SubstitutePlaceholders(const QString& szContent, const QString& szErrorCode,
                               const Settings& settings, const AlertFacts& facts) {
    const std::array<std::pair<QLatin1StringView, QString>, 8> values{{
        {QLatin1StringView("%MGRNAME%"), ManagerNameValue(settings)},
        {QLatin1StringView("%URL%"),
         facts.bInetDoubleCheck ? HttpAddress(facts.site.URL) : facts.probeURL},
        {QLatin1StringView("%IP%"), HttpAddress(facts.site.IP, facts.site.URL)},
        {QLatin1StringView("%TIMEOUT%"),
         QString::number(facts.checkTimeOut) + QLatin1Char(' ') + alert_strings::kSeconds},
        {QLatin1StringView("%ERRORINFO%"), facts.probeResponseInfo},
        {QLatin1StringView("%ERRORCODE%"), QString::number(facts.probeResponseCode)},
        {QLatin1StringView("%RESPONSECODE%"), szErrorCode},
        {QLatin1StringView("%HEADER%"), facts.probeHeader},
    }};

    QString text = szContent;
    for (const auto& [placeholder, value] : values) {
        qsizetype from = 0;
        for (qsizetype at; (at = FindPlaceholder(text, placeholder, from)) >= 0;) {
            text.replace(at, placeholder.size(), value);
            from = at + value.size();
        }
    }
    return text;
}

QString WrapMailText(const QString& text) {
    QString result;
    const auto appendLine = [&](qsizetype from, qsizetype length) {
        result += QStringView(text).mid(from, length);
        result += kCrLf;
    };
    const qsizetype size = text.size();
    qsizetype pos = 0;                    // the rest of the text still to be wrapped starts here
    qsizetype eol = text.indexOf(kCrLf);  // the next CR LF at or after pos, or -1
    while (pos < size) {
        if (eol >= 0 && eol < pos) eol = text.indexOf(kCrLf, pos);
        // Length of the current line up to its CR LF, or -1 when it is the last one.
        const qsizetype lineLength = eol < 0 ? -1 : eol - pos;

        if (lineLength >= kLineWidth - 1 && text[pos + kLineWidth - 1] == QLatin1Char(' ')) {
            appendLine(pos, kLineWidth);
            pos += kLineWidth;
            continue;
        }
        if (lineLength >= 0 && lineLength < kLineWidth - 1) {
            appendLine(pos, lineLength);
            pos = eol + 2;
            continue;
        }
        if (lineLength < 0 && size - pos <= kLineWidth) {
            result += QStringView(text).mid(pos);
            break;
        }

        // The line is too long: break it after the last blank within the width,
        // or else after the first blank of an overlong word.
        qsizetype take = QStringView(text).mid(pos, kLineWidth).lastIndexOf(QLatin1Char(' ')) + 1;
        if (take == 0) {
            const qsizetype blank = text.indexOf(QLatin1Char(' '), pos + kLineWidth);
            if (lineLength >= 0 && (blank < 0 || blank > eol)) {
                // The overlong word ends its line: keep the line whole rather than
                // break the next line at its first blank.
                appendLine(pos, lineLength);
                pos = eol + 2;
                continue;
            }
            if (blank < 0) {
                result += QStringView(text).mid(pos);
                break;
            }
            take = blank - pos + 1;
        }
        appendLine(pos, take);
        pos += take;
    }
    return result;
}

QString ParseEmailContent(const QString& szContent, const QString& szErrorCode,
                          const Settings& settings, const AlertFacts& facts) {
    return WrapMailText(SubstitutePlaceholders(szContent, szErrorCode, settings, facts));
}

}  // namespace ossivant
