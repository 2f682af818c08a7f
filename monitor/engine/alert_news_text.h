#pragma once

#include <QString>

#include "monitor/report/alert_deliveries.h"

namespace ossivant {

// The line the status bar and the console show for an alert's news.
QString AlertNewsText(const AlertNews& news);

}  // namespace ossivant
