#include "monitor/platform/autostart_entry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include "monitor/platform/user_folders.h"

namespace ossivant {

AutostartEntry::AutostartEntry() : path_(UserAutostartFolder() + QStringLiteral("/ossivant.desktop")) {}

bool AutostartEntry::exists() const { return QFileInfo::exists(path_); }

bool AutostartEntry::write(const QString& program) const {
    if (!QDir().mkpath(QFileInfo(path_).path())) return false;
    const QString entry = QStringLiteral(
                              "[Desktop Entry]\n"
                              "Type=Application\n"
                              "Name=Ossivant\n"
                              "Comment=Check web sites on a timer and e-mail the manager when one "
                              "goes down\n"
                              "Exec=%1 --minimized\n"
                              "Icon=ossivant\n"
                              "Terminal=false\n"
                              "X-GNOME-Autostart-enabled=true\n")
                              .arg(DesktopExecProgram(program));
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly)) return false;
    const QByteArray bytes = entry.toUtf8();
    return file.write(bytes) == bytes.size() && file.commit();
}

bool AutostartEntry::remove() const { return QFile::remove(path_) || !exists(); }

QString DesktopExecProgram(const QString& program) {
    static const QRegularExpression reserved(QStringLiteral("[ \\t\\n\"'\\\\><~|&;$*?#()`]"));
    static const QRegularExpression escaped(QStringLiteral("([\"`$\\\\])"));
    QString exec = program;
    exec.replace(QLatin1Char('%'), QStringLiteral("%%"));
    if (exec.contains(reserved))
        exec = QLatin1Char('"') + exec.replace(escaped, QStringLiteral("\\\\1")) + QLatin1Char('"');
    return exec.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
}

}  // namespace ossivant
