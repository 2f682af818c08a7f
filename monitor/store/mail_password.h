#pragma once

#include <QString>

#include "monitor/platform/secret_store.h"
#include "monitor/store/registry_access.h"
#include "monitor/store/settings.h"

namespace ossivant {

// Where the mail server's password was kept.
enum class PasswordPlace {
    kSecretStore,   // the desktop's secret store
    kRegistryFile,  // the value SMTPPassword of \Settings\Manager (the file is the owner's alone)
};

// Keeps the password in the secret store when one answers, and then removes
// any copy from the registry file; without a store it becomes the registry
// value SMTPPassword. An empty password is removed from both.
PasswordPlace StoreMailPassword(RegistryAccess& reg, SecretStore& secrets, const QString& password);

// The password the secret store keeps replaces the one LoadSettings read
// from the registry file; a login without a user name reads nothing.
void LoadKeptPassword(SecretStore& secrets, Settings& settings);

}  // namespace ossivant
