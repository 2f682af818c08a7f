#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>

namespace ossivant {

// What the check engine knows about the check it has just made. The engine
// fills it in; the check log prints it as one data line and never changes it.
// SiteLabel, ResultText and Notes may carry small HTML fragments made by the
// engine; they are written to the log as they are.
struct LogRecord {
    QDateTime CheckStart;        // when the check of the current site began
    QString SiteLabel;           // the site as the log shows it
    QString ResultText;          // short result, e.g. "Site OK"
    QString Notes;               // further notes, joined with "; "
    std::int16_t HTMLStyle = 0;  // display class of the line, 0 to 4
};

}  // namespace ossivant
