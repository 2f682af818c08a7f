#pragma once

#include <QString>
#include <cstdint>

#include "monitor/store/settings.h"
#include "monitor/store/site_record.h"

namespace ossivant {

// What an alert text is filled with: the failed site, the engine's double-check
// state and what the transfer control reported about its last request. The check
// engine fills it when a site goes down; composition only reads it.
struct AlertFacts {
    SiteRecord site;                     // the failed site (Sites(lArrayIndex))
    std::int32_t checkTimeOut = 0;       // TimeOut of the site being checked (lCheckIndex)
    bool bInetDoubleCheck = false;       // the last probe was the IP double check
    std::int32_t DoubleCheckResult = 0;  // 1 = the IP answered
    QString probeURL;                    // Inet1.URL: the address last requested
    std::int32_t probeResponseCode = 0;  // Inet1.ResponseCode
    QString probeResponseInfo;           // Inet1.ResponseInfo
    QString probeHeader;                 // Inet1.GetHeader(): every header line of the response
};

// Fills the placeholders of an alert text (matched without regard to ASCII case)
// with the facts of the failed check, then wraps it into mail lines. Changes nothing.
QString ParseEmailContent(const QString& szContent, const QString& szErrorCode,
                          const Settings& settings, const AlertFacts& facts);

// The placeholder step alone: each placeholder in turn, every occurrence. The search
// resumes after an inserted value, so a value holding its own placeholder is not
// expanded again; later placeholders are still looked for inside earlier values.
QString SubstitutePlaceholders(const QString& szContent, const QString& szErrorCode,
                               const Settings& settings, const AlertFacts& facts);

// The line-wrapping step alone: lines ending in CR LF are kept up to 74 characters,
// longer ones are broken after a blank within the first 76 characters; a word
// longer than that stays whole on its own line.
QString WrapMailText(const QString& text);

}  // namespace ossivant
