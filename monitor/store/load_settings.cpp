#include "monitor/store/load_settings.h"

#include "monitor/platform/user_folders.h"
#include "monitor/store/make_dir_path.h"

namespace ossivant {

namespace {

const reg::HKEY kHive = reg::HKEY_LOCAL_MACHINE;

}  // namespace

QString DefaultLogPath() {
    return UserStateFolder() + QStringLiteral("/Logs");
}

void LoadSettings(RegistryAccess& reg, Settings& s, const QString& defaultLogPath) {
    const auto scope = reg.OneTransaction();
    const QString timerKey = OssivantKey(QStringLiteral("\\Settings\\Timer"));
    const QString managerKey = OssivantKey(QStringLiteral("\\Settings\\Manager"));
    const QString logKey = OssivantKey(QStringLiteral("\\Settings\\Log"));
    const QString cookieKey = OssivantKey(QStringLiteral("\\Settings\\AllowCookie"));
    const QString networkKey = OssivantKey(QStringLiteral("\\Settings\\Network"));
    auto writeNumber = [&](const QString& key, const QString& name, int value) {
        reg.SetValue(kHive, key, name, value, kTypeNumber);
    };

    reg.GetValue(kHive, timerKey, QStringLiteral("Interval"), s.TimerInterval);
    reg.GetValue(kHive, timerKey, QStringLiteral("Warning"), s.TimerWarning);
    if (s.TimerInterval <= 0 || s.TimerWarning <= 0) {
        reg.CreateKey(kHive, timerKey);
        if (s.TimerInterval < 1) {
            s.TimerInterval = 60;
            writeNumber(timerKey, QStringLiteral("Interval"), s.TimerInterval);
        }
        if (s.TimerWarning < 1) {
            s.TimerWarning = 15;
            writeNumber(timerKey, QStringLiteral("Warning"), s.TimerWarning);
        }
    }

    reg.GetValue(kHive, managerKey, QStringLiteral("Email"), s.ManagerEmail);
    reg.GetValue(kHive, managerKey, QStringLiteral("Name"), s.ManagerName);
    reg.GetValue(kHive, managerKey, QStringLiteral("SMTP"), s.ManagerSMTP);
    reg.GetValue(kHive, managerKey, QStringLiteral("SMTPPort"), s.ManagerSMTPPort);
    if (s.ManagerSMTPPort == 0) s.ManagerSMTPPort = 25;  // in memory only
    reg.GetValue(kHive, managerKey, QStringLiteral("SMTPSecurity"), s.ManagerSMTPSecurity);
    reg.GetValue(kHive, managerKey, QStringLiteral("SMTPUser"), s.ManagerSMTPUser);
    reg.GetValue(kHive, managerKey, QStringLiteral("SMTPPassword"), s.ManagerSMTPPassword);
    if (s.ManagerEmail.isEmpty()) reg.CreateKey(kHive, managerKey);

    reg.CreateKey(kHive, logKey);
    reg.GetValue(kHive, logKey, QStringLiteral("LogPath"), s.LogPath);
    if (reg.GetValue(kHive, logKey, QStringLiteral("LogPeriod"), s.LogPeriod) ==
        reg::ERROR_FILE_NOT_FOUND) {
        s.LogPeriod = 1;
        writeNumber(logKey, QStringLiteral("LogPeriod"), s.LogPeriod);
    }
    if (reg.GetValue(kHive, logKey, QStringLiteral("DiskLogMaxFiles"), s.DiskLogMaxFiles) ==
        reg::ERROR_FILE_NOT_FOUND) {
        s.DiskLogMaxFiles = 1;
        writeNumber(logKey, QStringLiteral("DiskLogMaxFiles"), s.DiskLogMaxFiles);
    }
    reg.GetValue(kHive, logKey, QStringLiteral("MaxLogFiles"), s.MaxLogFiles);
    if (reg.GetValue(kHive, logKey, QStringLiteral("DiskLogDisabled"), s.DiskLogDisabled) ==
        reg::ERROR_FILE_NOT_FOUND) {
        s.DiskLogDisabled = 1;
        writeNumber(logKey, QStringLiteral("DiskLogDisabled"), s.DiskLogDisabled);
    }

    if (s.LogPath.isEmpty()) {
        s.LogPath = defaultLogPath;
        MakeDirPath(s.LogPath);  // a folder that cannot be made is met by the log writer
        reg.SetValue(kHive, logKey, QStringLiteral("LogPath"), s.LogPath, kTypeString);
    }
    if (s.LogPeriod < 0 || s.LogPeriod > 2) {
        s.LogPeriod = 1;
        writeNumber(logKey, QStringLiteral("LogPeriod"), s.LogPeriod);
    }
    if (s.DiskLogMaxFiles != 0 && s.DiskLogMaxFiles != 1) {
        s.DiskLogMaxFiles = 1;
        writeNumber(logKey, QStringLiteral("DiskLogMaxFiles"), s.DiskLogMaxFiles);
    }
    if (s.MaxLogFiles < 1) {
        s.MaxLogFiles = 7;
        writeNumber(logKey, QStringLiteral("MaxLogFiles"), s.MaxLogFiles);
    }
    if (s.DiskLogDisabled != 0 && s.DiskLogDisabled != 1) {
        s.DiskLogDisabled = 1;
        writeNumber(logKey, QStringLiteral("DiskLogDisabled"), s.DiskLogDisabled);
    }

    reg.GetValue(kHive, cookieKey, QStringLiteral("AllowType"), s.AllowType);
    if (s.AllowType != 1 && s.AllowType != 2) {
        s.AllowType = 1;
        reg.CreateKey(kHive, cookieKey);
        writeNumber(cookieKey, QStringLiteral("AllowType"), s.AllowType);
    }

    reg.CreateKey(kHive, networkKey);
    reg.GetValue(kHive, networkKey, QStringLiteral("Reference"), s.NetworkReference);
    if (reg.GetValue(kHive, networkKey, QStringLiteral("OfflineGuard"), s.OfflineGuard) ==
            reg::ERROR_FILE_NOT_FOUND ||
        (s.OfflineGuard != 0 && s.OfflineGuard != 1)) {
        s.OfflineGuard = 1;
        writeNumber(networkKey, QStringLiteral("OfflineGuard"), s.OfflineGuard);
    }
}

}  // namespace ossivant
