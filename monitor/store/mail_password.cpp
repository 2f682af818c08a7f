#include "monitor/store/mail_password.h"

namespace ossivant {

namespace {

const reg::HKEY kHive = reg::HKEY_LOCAL_MACHINE;
const QString kName = QStringLiteral("SMTPPassword");

QString ManagerKey() { return OssivantKey(QStringLiteral("\\Settings\\Manager")); }

}  // namespace

PasswordPlace StoreMailPassword(RegistryAccess& reg, SecretStore& secrets, const QString& password) {
    if (password.isEmpty()) {
        secrets.deletePassword();
        reg.DeleteValue(kHive, ManagerKey(), kName);
        return PasswordPlace::kRegistryFile;
    }
    if (secrets.writePassword(password)) {
        reg.DeleteValue(kHive, ManagerKey(), kName);
        return PasswordPlace::kSecretStore;
    }
    reg.SetValue(kHive, ManagerKey(), kName, password, kTypeString);
    return PasswordPlace::kRegistryFile;
}

void LoadKeptPassword(SecretStore& secrets, Settings& settings) {
    if (settings.ManagerSMTPUser.isEmpty()) return;
    if (std::optional<QString> kept = secrets.readPassword()) settings.ManagerSMTPPassword = *kept;
}

}  // namespace ossivant
