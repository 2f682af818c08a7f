#pragma once

#include <QString>

namespace ossivant::engine_texts {

// Texts of the monitor's string table that the check engine shows or logs.

// Transfer states 1 to 10, as the progress window shows them.
inline const QString kResolvingHost = QStringLiteral("Resolving Host...");
inline const QString kHostFound = QStringLiteral("Host Found...");
inline const QString kConnecting = QStringLiteral("Connecting...");
inline const QString kConnected = QStringLiteral("Connected with Host...");
inline const QString kRequesting = QStringLiteral("Requesting Data...");
inline const QString kRequestSent = QStringLiteral("Request Sent...");
inline const QString kReceiving = QStringLiteral("Receiving Data...");
inline const QString kReceived = QStringLiteral("Data Received...");
inline const QString kDisconnecting = QStringLiteral("Disconnecting...");
inline const QString kDisconnected = QStringLiteral("Disconnected...");

// Results that carry no usable status code.
inline const QString kErrorPrefix = QStringLiteral("ERROR: ");  // ends in a blank
inline const QString kTimedOut = QStringLiteral("Request Timed-Out");
inline const QString kUnrecognizedState = QStringLiteral("Unrecognized Inet State");

// Outcome handling.
inline const QString kSiteOK = QStringLiteral("Site OK");
inline const QString kCertificateExpires = QStringLiteral("certificate expires in");
inline const QString kDays = QStringLiteral("days");
inline const QString kIpCheckPerformed = QStringLiteral("IP Check Performed");
inline const QString kIpCheckOK = QStringLiteral("IP Check: OK");
inline const QString kIpCheckError = QStringLiteral("IP Check: Error");
inline const QString kIpCheckStatus = QStringLiteral("IP Check Status:");
inline const QString kIpCheckLabel = QStringLiteral("IP Check:");
inline const QString kEmphasisOpen = QStringLiteral("<SPAN class=\"Emphasis\">");
inline const QString kEmphasisClose = QStringLiteral("</SPAN>");

// Check cycle.
inline const QString kCheckingInProgress = QStringLiteral("Site checking in progress");
inline const QString kNext = QStringLiteral("Next:");
inline const QString kLast = QStringLiteral("Last:");
inline const QString kNoSites = QStringLiteral("No sites to check.");
inline const QString kLogNotWritten = QStringLiteral("Check log could not be written:");
inline const QString kUnknownSite = QStringLiteral("Unknown Site: Site #");
inline const QString kMissingAddress = QStringLiteral("Missing Site Address");
inline const QString kChecking = QStringLiteral("Checking");
inline const QString kNotInProgress = QStringLiteral("Checking is not in progress.");
inline const QString kManuallyStopped = QStringLiteral("Manually Stopped.");
inline const QString kComputerOffline = QStringLiteral("Not checked: this computer is offline");

}  // namespace ossivant::engine_texts
