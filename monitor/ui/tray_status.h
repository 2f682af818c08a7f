#pragma once

#include <QList>
#include <QString>

#include "monitor/store/site_table.h"

namespace ossivant {

// What the tray icon tells about the sites, worked out without widgets: the
// one message for the sites that went down in a cycle, the light the icon
// shows and its tooltip.

// A site that went down, as the engine names it, and why.
struct DownSite {
    QString site;
    QString result;
};

struct TrayMessage {
    QString title;
    QString text;
};

// The message for the sites that went down together. One site keeps its
// result; several are named, the first few with their results and a count
// of the rest. Empty when none went down.
TrayMessage SitesDownMessage(const QList<DownSite>& down);

// The worst light of the enabled sites (SiteRows::Red over Yellow over
// Green); 0 when no enabled site has been checked, for the program's icon.
int TrayLight(const SiteTable& sites);

// The program title, then the enabled sites that are down, the first few and
// a count of the rest, then the offline note when the last cycle found this
// computer offline.
QString TrayToolTip(const SiteTable& sites, bool offline);

}  // namespace ossivant
