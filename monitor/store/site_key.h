#pragma once

#include <QString>

namespace ossivant {

// The text with every "\" replaced by "%5c", so it can name a single key.
QString EscapeKeyName(const QString& text);

// The name of a site's key: the escaped URL, lower-cased and trimmed. URLs
// that differ only in letter case share one key and so are one site.
QString SiteKeyName(const QString& url);

}  // namespace ossivant
