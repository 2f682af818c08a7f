#pragma once

#include <QString>

namespace ossivant {

// The alert text built into the program for an alert code, used when the
// Messages folder has no template for it: a greeting marked "(BackUp Check)",
// the code's own paragraph (or the general one followed by %HEADER%) and the
// closing. Placeholders are left for ParseEmailContent to fill.
QString BuiltInAlertText(const QString& code);

}  // namespace ossivant
