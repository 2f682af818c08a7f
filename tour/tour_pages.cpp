#include "tour/tour_pages.h"

#include <array>

namespace ossivant {

namespace {

constexpr std::array kPages = {
    TourPage{
        "Welcome to Ossivant",
        "welcome-window.png",
        "The welcome window that greets you on the first start",
        "Ossivant keeps an eye on your web sites. It asks every site in its list for its page, "
        "on a timer or whenever you ask, and shows with a coloured light how each one answered. "
        "When a site goes down it sends one alert e-mail to the manager, and it writes every "
        "check to a log. You can take this tour again at any time from Help > Interactive Tour.",
    },
    TourPage{
        "The main window",
        "main-window.png",
        "The main window with the site list",
        "Each row of the list is one site: its web address, its IP address, the light of its "
        "last check and the result text. The box in the first column shows whether the site "
        "takes part in checks; a disabled site is shown in grey, without a light. The "
        "status bar shows the date and time, when the next automatic check is due and when the "
        "last one started. Minimise the window and Ossivant goes on working in the system tray; "
        "double-click the tray icon to bring the window back.",
    },
    TourPage{
        "Adding a site",
        "site-editor-new.png",
        "The site editor, opened by File > New Address",
        "Choose File > New Address, or press Ctrl+N in the list, to open the site editor. Type "
        "the address without http:// (for example www.example.com/index.html) and, if you "
        "like, the server's IP address in the four boxes. The time-out is how many seconds "
        "Ossivant waits for an answer, from 1 to 1800; untick Enable to keep a site in the "
        "list without checking it. To change a site later, select it and press Enter; to "
        "remove it, press Delete.",
    },
    TourPage{
        "The lights",
        "main-window.png",
        "Green, yellow and red lights in the site list",
        "Green: the site answered with 200, 201, 202, 302 or 304. Yellow: a first failure, "
        "that is any other answer, a time-out or a failed connection; the next automatic "
        "check then comes sooner, after the warning interval. Red: the site failed a second "
        "time in a row and is down; when it has an IP address, Ossivant first tries that address "
        "as well, so "
        "that the alert can say whether the server itself still answers. The next good answer "
        "turns the light green again.",
    },
    TourPage{
        "Checking by hand",
        "progress-window.png",
        "The progress window while a check runs",
        "Press F5 or Ctrl+S in the list, or choose File > Start Check, to check every enabled "
        "site now. The progress window shows which site is being checked and how far the "
        "request has got. Stop ends the check: the site in progress is marked \"Manually "
        "Stopped.\" and the others wait for the next check. Ossivant beeps at the end of a "
        "check in which a site was found down.",
    },
    TourPage{
        "Alerts by e-mail",
        "options-manager.png",
        "The manager and the mail server on the Manager page of the options",
        "When a site goes down, Ossivant sends one alert e-mail to the manager set in the "
        "options, through the mail server set there. No further mail follows while the site "
        "stays down; after its next good answer a new outage is reported again. The wording "
        "comes from the templates in the Messages folder, and your own copies in "
        "~/.config/ossivant/Messages/ take their place. The check log notes whether each alert "
        "was handed on, and the send log in ~/.local/state/ossivant/spool tells whether it "
        "was delivered.",
    },
    TourPage{
        "Options",
        "options-timers.png",
        "The Timer page of the options dialog, opened by Edit > Options",
        "Choose Edit > Options, or press Ctrl+O in the list. Timer: how often all sites are "
        "checked (5 to 1425 minutes, 60 at first) and how soon they are checked again after a "
        "first failure (5 to 60 minutes, 15 at first). Manager: the address and name of the "
        "person who receives alerts, and the SMTP server and port that send them. Logs: daily, "
        "weekly or no log, the log folder and how many log files to keep; Cookies: whether "
        "sites may set cookies during checks.",
    },
    TourPage{
        "Check logs",
        "scrollet.png",
        "A check log in the log viewer",
        "Every check writes a start line, one line per site and an end line to the check log, "
        "by default one file a day in ~/.local/state/ossivant/Logs. Log > View Current Log shows "
        "the log that is being written; Log > Open Log lets you pick any log and save an HTML "
        "copy of it. The Help menu opens the full manual, which tells the rest.",
    },
};

}  // namespace

std::span<const TourPage> TourPages() {
    return kPages;
}

}  // namespace ossivant
