#include "monitor/store/site_key.h"

namespace ossivant {

QString EscapeKeyName(const QString& text) {
    QString out = text;
    return out.replace(QLatin1Char('\\'), QLatin1String("%5c"));
}

QString SiteKeyName(const QString& url) { return EscapeKeyName(url).toLower().trimmed(); }

}  // namespace ossivant
