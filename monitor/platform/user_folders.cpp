#include "monitor/platform/user_folders.h"

#include <QDir>

namespace ossivant {

namespace {

QString BaseFolder(const char* variable, const QString& belowHome) {
    const QString value = qEnvironmentVariable(variable);
    if (value.startsWith(QLatin1Char('/'))) return value;
    return QDir::homePath() + belowHome;
}

}  // namespace

QString UserConfigFolder() {
    return BaseFolder("XDG_CONFIG_HOME", QStringLiteral("/.config")) + QStringLiteral("/ossivant");
}

QString UserStateFolder() {
    return BaseFolder("XDG_STATE_HOME", QStringLiteral("/.local/state")) +
           QStringLiteral("/ossivant");
}

QString UserAutostartFolder() {
    return BaseFolder("XDG_CONFIG_HOME", QStringLiteral("/.config")) + QStringLiteral("/autostart");
}

}  // namespace ossivant
