#pragma once

#include <QString>
#include <cstdint>

#include "monitor/store/site_record.h"
#include "monitor/store/site_table.h"

namespace ossivant {

// The site list data file: plain text, one site a line ended by CR LF, five
// unquoted fields URL,IP,Status,Enabled,TimeOut. Comments are not kept.

// Results of ParseSiteLine.
constexpr std::int32_t kLineUsable = 0;
constexpr std::int32_t kLineEmpty = 1;      // neither URL nor IP
constexpr std::int32_t kLineBadIp = 2;      // an IP that is not four numbers
constexpr std::int32_t kLineBadNumber = 3;  // Status or Enabled beyond 0..255, TimeOut beyond int32

// The line for entry `index` of `sites`, without its line end.
QString FormatSiteLine(const SiteTable& sites, std::int32_t index);

// Reads one line into `record` (reset first). Field 1 is the URL, 2 the IP,
// 3 Status, 4 Enabled, 5 and every later field TimeOut (the last one wins).
// Numbers are read as far as they go ("12abc" is 12, none is 0). A usable
// record has Status 0 made 1, Enabled other than 0 or 1 made 1 and a
// TimeOut below 1 made 60.
std::int32_t ParseSiteLine(const QString& line, SiteRecord& record);

// True when the text holds four dot-separated numbers; later pieces are
// ignored and there is no range check.
bool IsValidIP(const QString& text);

// 1 when the first 256 bytes of the file hold a control byte other than TAB,
// LF and CR (or DEL), so it is no text file; also 1 for what is not a
// readable regular file. Otherwise 0 (an empty file too).
std::int32_t IsBinaryFile(const QString& path);

}  // namespace ossivant
