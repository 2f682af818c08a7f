#pragma once

#include <QString>

#include "monitor/platform/message_box.h"
#include "monitor/store/registry_access.h"
#include "monitor/store/settings.h"
#include "monitor/store/site_store.h"

namespace ossivant {

// Keeps the monitor's table and settings and the registry file in step while
// other programs use, lock, change or replace the file, and words what the
// operator should know about it: each condition is told once when it begins
// (and a refused write once more when writes work again).
class StoreSync {
public:
    StoreSync(RegistryAccess& access, SiteStore& store, Settings& settings, QString defaultLogPath)
        : access_(access),
          store_(store),
          settings_(settings),
          defaultLogPath_(std::move(defaultLogPath)) {}

    // After the first load: a file this user cannot write is told in a box.
    void TellAtStart(MessageBox& messages);

    struct CycleStart {
        bool reloaded = false;  // the table and settings were loaded again
        QString notice;         // for the status bar, or empty
    };
    // At the start of a check cycle: writes that were refused are made
    // again, and when another program changed the store (or the file was
    // replaced) since it was loaded, the sites are renumbered and loaded
    // again, keeping statuses and comments, and the settings are read again.
    // The table is not reloaded while it holds results the store refused.
    CycleStart BeforeCycle();

    // After a result was written (or kept for later): the notice for the
    // status bar, or empty.
    QString AfterWrite();

private:
    QString fileNotice();
    QString writeNotice();

    RegistryAccess& access_;
    SiteStore& store_;
    Settings& settings_;
    QString defaultLogPath_;
    bool gone_ = false;       // the file has gone; told
    bool reloadDue_ = false;  // the file was replaced
    bool changedElsewhere_ = false;
    bool toldRefused_ = false;
};

}  // namespace ossivant
