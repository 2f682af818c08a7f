#pragma once

#include <QString>
#include <cstdint>

#include "monitor/store/settings.h"

namespace ossivant {

// What a SendEmail result means for the log line of the check: the note to add
// and whether the line is shown as failed (HTMLStyle 2).
struct SendResultNote {
    QString note;
    bool failed = false;
};

// The note for a SendEmail result. After an IP double check a failure names the
// missing setting when one is missing; otherwise a failure is the plain note.
SendResultNote NoteForSendResult(std::int32_t result, bool bInetDoubleCheck,
                                 const Settings& settings);

// Notes with one more note added: the note alone when Notes is blank, else
// Notes + "; " + note.
QString AddNote(const QString& notes, const QString& note);

// Applies a SendEmail result to a log record (anything with Notes and HTMLStyle).
template <class LogRecordT>
void ApplySendResult(LogRecordT& record, std::int32_t result, bool bInetDoubleCheck,
                     const Settings& settings) {
    const SendResultNote outcome = NoteForSendResult(result, bInetDoubleCheck, settings);
    if (outcome.failed) record.HTMLStyle = 2;
    record.Notes = AddNote(record.Notes, outcome.note);
}

}  // namespace ossivant
