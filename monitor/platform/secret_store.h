#pragma once

#include <QString>
#include <memory>
#include <optional>

namespace ossivant {

// The desktop's store of secrets for the mail server's password. Answers
// within a few seconds whatever the desktop does; "no store" is an answer.
class SecretStore {
public:
    virtual ~SecretStore() = default;
    // True when the store kept it.
    virtual bool writePassword(const QString& password) = 0;
    // Nothing when there is no store or it holds no password.
    virtual std::optional<QString> readPassword() = 0;
    // Removes a kept password (nothing happens where there is none).
    virtual void deletePassword() = 0;
};

// The Secret Service of the desktop session (through QtKeychain); where no
// session bus runs (headless, a server) it answers "no store" at once.
std::unique_ptr<SecretStore> MakeDesktopSecretStore();

}  // namespace ossivant
