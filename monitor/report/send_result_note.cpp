#include "monitor/report/send_result_note.h"

#include "monitor/report/alert_strings.h"
#include "monitor/report/blank_text.h"

namespace ossivant {

SendResultNote NoteForSendResult(std::int32_t result, bool bInetDoubleCheck,
                                 const Settings& settings) {
    using namespace alert_strings;
    if (result == 0) return {kNotificationSent, false};
    if (!bInetDoubleCheck) return {kNotificationFailed, true};
    const bool noAddress = settings.ManagerEmail.isEmpty();
    const bool noServer = settings.ManagerSMTP.isEmpty();
    if (noAddress && noServer) return {kFailedMissingBoth, true};
    if (noAddress) return {kFailedMissingAddress, true};
    if (noServer) return {kFailedMissingSmtp, true};
    return {kNotificationFailed, true};
}

QString AddNote(const QString& notes, const QString& note) {
    if (IsBlank(notes)) return note;
    return notes + QStringLiteral("; ") + note;
}

}  // namespace ossivant
