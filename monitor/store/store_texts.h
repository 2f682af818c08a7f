#pragma once

#include <QString>
#include <string>

namespace ossivant {

// What the operator is told about the registry file as a whole.

// The file is damaged or is not a registry; it is left as it is.
QString DamagedStoreText(const std::string& path);
// The file can be read but not written by this user.
QString ReadOnlyStoreText(const std::string& path);
// Notices for the status bar. Writes are refused (another program holds the
// file), and accepted again.
QString WritesRefusedText();
QString WritesResumedText();
// The file was removed or renamed, or another file was put in its place.
QString StoreGoneText();
QString StoreReplacedText();
// Another program changed the stored sites or settings.
QString StoreReloadedText();

}  // namespace ossivant
