#pragma once

#include <QString>
#include <cstdint>

#include "monitor/platform/message_box.h"

namespace ossivant {

// The ways the check engine reaches the screen. The main window implements
// them with its list, status bar, menus and progress window; tests replace
// them with fakes. None of them may call back into the engine.

// The rows of the site list (lvwMain). A row is the one whose text is the
// site's index in decimal; it may be missing while the list shows a filtered
// view, so the engine asks FindRow first and skips the other row calls then.
class SiteRows {
public:
    enum Light : int { Green = 1, Yellow = 2, Red = 3 };

    virtual ~SiteRows() = default;
    virtual bool FindRow(std::int32_t index) = 0;
    virtual void MakeRowVisible(std::int32_t index) = 0;
    // The status light: image 1 "Green", 2 "Yellow" or 3 "Red".
    virtual void SetRowLight(std::int32_t index, int image) = 0;
    // The "Comments" column (sub-item 4).
    virtual void SetRowComment(std::int32_t index, const QString& text) = 0;
    // Empties the comment of every row.
    virtual void ClearAllComments() = 0;
};

// The check progress window (frmCheckAnim). Label texts written while it is
// closed have no visible effect.
class ProgressDisplay {
public:
    virtual ~ProgressDisplay() = default;
    // Shows the window without blocking the main window, creating it first
    // when it is closed.
    virtual void Show() = 0;
    virtual void Close() = 0;
    virtual void SetSiteName(const QString& text) = 0;    // lblSiteName
    virtual void SetSiteStatus(const QString& text) = 0;  // lblSiteStatus
};

// Panels 1 (clock), 2 and 3 of the main window's status bar (sbrMain).
class StatusPanels {
public:
    virtual ~StatusPanels() = default;
    virtual void SetPanelText(int panel, const QString& text) = 0;
    // A notice for the operator that stays in view until the next cycle
    // starts, without stopping anything (a check-log line that was lost).
    virtual void ShowNotice(const QString& text) = 0;
};

// The menu commands that a check cycle locks, addressed by their names
// (mF_NewAddress ... mH_About).
class MenuCommands {
public:
    virtual ~MenuCommands() = default;
    virtual void SetCommandEnabled(const QString& name, bool enabled) = 0;
};

// What else of the main window the cycle uses: whether it is minimised,
// the auto-check timer (TimerAutoCheck) and the system beep.
class MainWindowShell {
public:
    virtual ~MainWindowShell() = default;
    virtual bool IsMinimised() const = 0;
    virtual void SetAutoCheckTimerEnabled(bool enabled) = 0;
    virtual void Beep() = 0;
    // A site has just gone down and its alert is being sent: tell the
    // operator at once, even when the window is hidden in the tray.
    virtual void NotifySiteDown(const QString& site, const QString& result) = 0;
    // The site table was loaded again from the store: show it anew.
    virtual void SiteListReloaded() = 0;
    // The cycle has ended, after its last log line: what the window gathered
    // during the cycle (the sites that went down) is told now.
    virtual void CycleFinished() {}
    // Whether the cycle that just ended found this computer offline.
    virtual void SetOffline(bool /*offline*/) {}
};

// Everything of the screen that the engine talks to.
struct EngineScreen {
    SiteRows& rows;
    ProgressDisplay& progress;
    StatusPanels& panels;
    MenuCommands& menus;
    MainWindowShell& window;
    MessageBox& messages;
};

}  // namespace ossivant
