#pragma once

#include <QString>

#include "monitor/report/alert_text.h"
#include "monitor/store/settings.h"

namespace ossivant {

// Composes the body of an alert mail for one alert code: the code's template
// (else Unknown.txt, else the built-in text), each looked up first in the
// operator's <config folder>/Messages and then in <programDir>/Messages, the IP
// double-check postscript when one was made, placeholders filled, lines wrapped.
// A missing or unreadable template is never an error; the next fallback serves.
QString ComposeAlertBody(const QString& programDir, const QString& szErrorCode,
                         const Settings& settings, const AlertFacts& facts);

}  // namespace ossivant
