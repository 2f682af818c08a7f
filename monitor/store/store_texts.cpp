#include "monitor/store/store_texts.h"

namespace ossivant {

namespace {
QString pathText(const std::string& path) {
    return QString::fromStdString(path);
}
}  // namespace

QString DamagedStoreText(const std::string& path) {
    return QStringLiteral(
               "The registry file %1 is damaged or is not a registry file. Ossivant leaves it "
               "as it is and runs without sites and with the default settings.\n\n"
               "To restore your sites and settings, move the file aside and import an export "
               "into a new file: ossivant-reg import BACKUP.reg")
        .arg(pathText(path));
}

QString ReadOnlyStoreText(const std::string& path) {
    return QStringLiteral(
               "The registry file %1 cannot be written by this user. Ossivant checks the sites "
               "stored there, but their results and any change cannot be stored.")
        .arg(pathText(path));
}

// Status bar notices: short, so that they fit beside the panels.

QString WritesRefusedText() {
    return QStringLiteral("Registry busy: results kept until it is free.");
}

QString WritesResumedText() {
    return QStringLiteral("Registry free again: all results stored.");
}

QString StoreGoneText() {
    return QStringLiteral("Registry file gone: results not stored.");
}

QString StoreReplacedText() {
    return QStringLiteral("Registry file replaced: its list is loaded.");
}

QString StoreReloadedText() {
    return QStringLiteral("List or settings changed elsewhere: reloaded.");
}

}  // namespace ossivant
