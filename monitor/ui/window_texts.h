#pragma once

#include <QString>

namespace ossivant::window_texts {

// Texts of the monitor's string table that its windows show.
inline const QString kCurrentView = QStringLiteral("Current View:");
inline const QString kProcessing = QStringLiteral("Processing... please wait.");
inline const QString kNoAddressSelected = QStringLiteral("No address selected.");
inline const QString kDeleting = QStringLiteral("Deleting Site... please wait.");
inline const QString kConfirmDelete =
    QStringLiteral("Are you sure you wish to delete the selected Site?");
inline const QString kWebAddress = QStringLiteral("Web Address");
inline const QString kIpAddress = QStringLiteral("IP Address");
inline const QString kAlreadyStarted = QStringLiteral("Ossivant has already started!");
inline const QString kHowToRestore = QStringLiteral(
    "To restore Ossivant, right-mouse click on the Ossivant icon located in the system tray, "
    "and select Restore.");

// Texts of this build's own.
inline const QString kRunsAsService = QStringLiteral(
    "It runs without windows as the user service ossivant-headless; stop it with "
    "\"systemctl --user stop ossivant-headless\".");
inline const QString kNotAvailable = QStringLiteral("%1 is not available in this version.");
inline const QString kSiteDownTitle = QStringLiteral("Site down");
inline const QString kSitesDownTitle = QStringLiteral("%1 sites down");
inline const QString kAndMore = QStringLiteral("and %1 more");
inline const QString kHelpMissing = QStringLiteral("The help file %1 could not be opened.");
// The product's update page, used when the registry names none.
inline const QString kDefaultUpdatePage = QStringLiteral("https://www.pelgrade.example/ossivant/");

}  // namespace ossivant::window_texts
