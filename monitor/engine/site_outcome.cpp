// Outcome handling: what a probe result means for the site, its row, its log
// line, and when a site that goes down sends its one alert.

#include "monitor/engine/check_engine.h"
#include "monitor/engine/engine_texts.h"
#include "monitor/engine/text_util.h"
#include "monitor/report/send_result_note.h"

namespace ossivant {

using namespace engine_texts;

namespace {
// A certificate that expires within this many days is mentioned.
constexpr int kCertificateWarningDays = 14;
}  // namespace

void CheckEngine::SiteCheckOK(std::int32_t lCheckIndex2) {
    if (markSiteOK(lCheckIndex2)) storeSite(lCheckIndex2);
}

// SiteCheckOK up to storing the site, which the caller does; false when
// there is nothing to store (no such site, or the IP double check ended and
// stored it).
bool CheckEngine::markSiteOK(std::int32_t lCheckIndex2) {
    SiteRecord* site = siteAt(lCheckIndex2);
    if (site == nullptr) return false;
    const bool rowFound = screen_.rows.FindRow(lCheckIndex2);

    if (state_.bInetDoubleCheck && state_.InetCheckType == 2) {
        // The IP answered the double check.
        state_.DoubleCheckResult = 1;
        SiteCheckUpdate(lCheckIndex2, state_.SavedAlertCode, kSiteOK, 1);
        state_.bInetDoubleCheck = false;
        return false;
    }

    // A site whose certificate runs out soon is still up; its comment warns.
    QString text = kSiteOK;
    const int days = parts_.inet.CertificateDaysLeft();
    if (days >= 0 && days <= kCertificateWarningDays)
        text += QStringLiteral(" (") + kCertificateExpires + QLatin1Char(' ') +
                QString::number(days) + QLatin1Char(' ') + kDays + QLatin1Char(')');
    record_.ResultText = text;
    record_.HTMLStyle = 1;
    if (rowFound) {
        screen_.rows.MakeRowVisible(lCheckIndex2);
        screen_.rows.SetRowLight(lCheckIndex2, SiteRows::Green);
        screen_.rows.SetRowComment(lCheckIndex2, text);
    }
    site->Status = StatusOK;
    site->Comments = text;
    return true;
}

void CheckEngine::SiteCheckUpdate(std::int32_t lCheckIndex2, const QString& szEmailErrorNum,
                                  const QString& szStatusCommentText,
                                  std::int16_t iDoubleTakeResult2) {
    SiteRecord* site = siteAt(lCheckIndex2);
    if (site == nullptr) return;
    const bool rowFound = screen_.rows.FindRow(lCheckIndex2);

    if (state_.bInetDoubleCheck) {
        doubleCheckEnd(lCheckIndex2, *site, rowFound, szStatusCommentText, iDoubleTakeResult2);
    } else if (!TrimBlanks(site->IP).isEmpty() && site->Status == StatusWarning &&
               state_.InetCheckType == 1) {
        doubleCheckStart(lCheckIndex2, *site, szEmailErrorNum, szStatusCommentText);
    } else {
        failure(lCheckIndex2, *site, rowFound, szEmailErrorNum, szStatusCommentText);
    }
}

// Path D: the IP double check has ended; the site is down either way and the
// alert tells whether its IP address still answered.
void CheckEngine::doubleCheckEnd(std::int32_t index, SiteRecord& site, bool rowFound,
                                 const QString& text, std::int16_t result2) {
    state_.DoubleCheckResult = result2;
    record_.ResultText =
        QStringLiteral("(1) ") + state_.SavedResultText + QStringLiteral("<BR>(2) ") + text;
    record_.HTMLStyle = 2;
    addNote(kEmphasisOpen + kIpCheckPerformed + kEmphasisClose);
    if (rowFound) {
        screen_.rows.MakeRowVisible(index);
        screen_.rows.SetRowLight(index, SiteRows::Red);
        screen_.rows.SetRowComment(
            index, state_.SavedResultText + QStringLiteral(" (") +
                       (state_.DoubleCheckResult == 1 ? kIpCheckOK : kIpCheckError) +
                       QLatin1Char(')'));
    }
    site.Status = StatusFailed;
    state_.bSiteDown = true;

    const std::int32_t result = sendAlert(
        state_.SavedAlertCode, index,
        state_.SavedResultText + QStringLiteral(" (") +
            (state_.DoubleCheckResult == 1 ? kIpCheckOK : kIpCheckError) + QLatin1Char(')'));
    ApplySendResult(record_, result, true, parts_.settings);

    site.Comments = state_.SavedResultText + QStringLiteral(" (") + kIpCheckStatus +
                    QLatin1Char(' ') + text + QLatin1Char(')');
    storeSite(index);
    state_.bInetDoubleCheck = false;
    cancelIfRequesting(HttpAddress(site.IP, site.URL));
}

// Path S: a site in warning failed on its URL and has an IP address; before
// it is called down, its IP address is probed. Nothing is recorded yet.
void CheckEngine::doubleCheckStart(std::int32_t index, const SiteRecord& site, const QString& code,
                                   const QString& text) {
    state_.bInetDoubleCheck = true;
    state_.SavedAlertCode = code;
    state_.SavedResultText = text;
    record_.SiteLabel = QStringLiteral("(1) ") + record_.SiteLabel + QStringLiteral("<BR>(2) ") +
                        HttpAddress(site.IP, site.URL);
    record_.ResultText = text;
    state_.InetCheckType = 2;
    cancelIfRequesting(HttpAddress(site.URL));
    screen_.progress.SetSiteName(kIpCheckLabel + QLatin1Char(' ') + HttpAddress(site.IP, site.URL));
    StartProbe(index, 2);
}

// Path F: a failure without IP double check: the first makes a warning, the
// one after it makes the site down and sends the alert, later ones only
// record.
void CheckEngine::failure(std::int32_t index, SiteRecord& site, bool rowFound, const QString& code,
                          const QString& text) {
    if (site.Status == StatusWarning) {
        state_.bSiteDown = true;
        if (rowFound) {
            screen_.rows.MakeRowVisible(index);
            screen_.rows.SetRowLight(index, SiteRows::Red);
            screen_.rows.SetRowComment(index, text);
        }
        record_.HTMLStyle = 2;
        record_.ResultText = text;
        site.Status = StatusFailed;
        const std::int32_t result = sendAlert(code, index, text);
        ApplySendResult(record_, result, false, parts_.settings);
    } else if (site.Status == StatusFailed) {
        state_.bSiteDown = true;
        if (rowFound) {
            screen_.rows.MakeRowVisible(index);
            screen_.rows.SetRowComment(index, text);
        }
        record_.HTMLStyle = 2;
        record_.ResultText = text;
    } else {
        if (rowFound) {
            screen_.rows.MakeRowVisible(index);
            screen_.rows.SetRowLight(index, SiteRows::Yellow);
            screen_.rows.SetRowComment(index, text);
        }
        record_.HTMLStyle = 4;
        record_.ResultText = text;
        site.Status = StatusWarning;
        state_.NextCheckTime = now().addSecs(qint64(parts_.settings.TimerWarning) * 60);
    }
    site.Comments = text;
    storeSite(index);
    cancelIfRequesting(HttpAddress(site.URL));
}

std::int32_t CheckEngine::sendAlert(const QString& code, std::int32_t index,
                                    const QString& resultText) {
    AlertFacts facts;
    facts.site = *siteAt(index);
    screen_.window.NotifySiteDown(SiteAddress(facts.site), resultText);
    if (const SiteRecord* checked = siteAt(state_.lCheckIndex))
        facts.checkTimeOut = checked->TimeOut;
    facts.bInetDoubleCheck = state_.bInetDoubleCheck;
    facts.DoubleCheckResult = state_.DoubleCheckResult;
    // A held verdict tells of its own probe, not of the one running now.
    facts.probeURL = judging_ ? judging_->url : parts_.inet.URL();
    facts.probeResponseCode = judging_ ? judging_->responseCode : parts_.inet.ResponseCode();
    facts.probeResponseInfo = judging_ ? judging_->responseInfo : parts_.inet.ResponseInfo();
    facts.probeHeader = judging_ ? judging_->header : parts_.inet.GetHeader();
    return parts_.alerts.SendEmail(code, facts);
}

// Stops the running request when it is the one for `address` (compared
// without regard to case, with the address as stored).
void CheckEngine::cancelIfRequesting(const QString& address) {
    if (parts_.inet.StillExecuting() && parts_.inet.URL().toLower() == address.toLower())
        parts_.inet.Cancel();
}

void CheckEngine::addNote(const QString& note) {
    record_.Notes = AddNote(record_.Notes, note);
}

SiteRecord* CheckEngine::siteAt(std::int32_t index) {
    if (index < 1 || index > parts_.sites.SiteCount()) return nullptr;
    return &parts_.sites[index];
}

}  // namespace ossivant
