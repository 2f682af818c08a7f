#include "monitor/ui/tour_launcher.h"

#include <QFileInfo>
#include <QProcess>

namespace ossivant {

bool StartTourProgram(const QString& programDir) {
    const QString program = programDir + QStringLiteral("/ovtour");
    const QFileInfo info(program);
    if (!info.isFile() || !info.isExecutable()) return false;
    return QProcess::startDetached(program, {}, programDir);
}

QString TourMissingMessage() {
    return QStringLiteral("Unable to locate Ossivant Interactive Tour Program.") + u'\n' +
           QStringLiteral(
               "Make sure that the Interactive Tour Program is located in the same directory as "
               "Ossivant.");
}

}  // namespace ossivant
