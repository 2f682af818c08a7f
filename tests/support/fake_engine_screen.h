#pragma once

#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

#include "monitor/engine/screen.h"

namespace ossivant::test {

// The site list as the engine sees it. Rows 1..rowCount exist unless hidden
// (a filtered view); lights and comments are kept per row.
class FakeSiteRows final : public SiteRows {
public:
    bool FindRow(std::int32_t index) override { return index >= 1 && !hidden.contains(index); }
    void MakeRowVisible(std::int32_t index) override { madeVisible << index; }
    void SetRowLight(std::int32_t index, int image) override { lights[index] = image; }
    void SetRowComment(std::int32_t index, const QString& text) override { comments[index] = text; }
    void ClearAllComments() override {
        ++clears;
        for (auto& c : comments) c.clear();
    }

    QSet<std::int32_t> hidden;
    QList<std::int32_t> madeVisible;
    QMap<std::int32_t, int> lights;
    QMap<std::int32_t, QString> comments;
    int clears = 0;
};

// The progress window: whether it is open and what its labels say.
class FakeProgress final : public ProgressDisplay {
public:
    void Show() override {
        open = true;
        ++shows;
    }
    void Close() override {
        open = false;
        ++closes;
    }
    void SetSiteName(const QString& text) override { siteName = text; }
    void SetSiteStatus(const QString& text) override {
        siteStatus = text;
        statusHistory << text;
    }

    bool open = false;
    int shows = 0;
    int closes = 0;
    QString siteName;
    QString siteStatus;
    QStringList statusHistory;
};

class FakePanels final : public StatusPanels {
public:
    void SetPanelText(int panel, const QString& text) override {
        texts[panel] = text;
        history.push_back({panel, text});
    }
    void ShowNotice(const QString& text) override { notices.push_back(text); }
    QMap<int, QString> texts;
    QStringList notices;
    std::vector<std::pair<int, QString>> history;
};

// Records every change of a command's state, in order.
class FakeMenus final : public MenuCommands {
public:
    void SetCommandEnabled(const QString& name, bool enabled) override {
        changes.push_back({name, enabled});
        enabledState[name] = enabled;
    }
    std::vector<std::pair<QString, bool>> changes;
    QMap<QString, bool> enabledState;
};

class FakeWindowShell final : public MainWindowShell {
public:
    bool IsMinimised() const override { return minimised; }
    void SetAutoCheckTimerEnabled(bool enabled) override { timerChanges.push_back(enabled); }
    void Beep() override { ++beeps; }
    void NotifySiteDown(const QString& site, const QString& result) override {
        downNotices.push_back(site + QStringLiteral(" | ") + result);
    }
    void SiteListReloaded() override { ++reloads; }
    void SetOffline(bool isOffline) override { offline = isOffline; }

    bool minimised = false;
    bool offline = false;
    std::vector<bool> timerChanges;
    int beeps = 0;
    int reloads = 0;
    QStringList downNotices;
};

// Records every message; a box with only OK is answered OK, any other with
// `answer`.
class RecordingMessages final : public MessageBox {
public:
    MsgAnswer show(const QString& text, MsgButtons buttons, MsgIcon) override {
        texts << text;
        return buttons == MsgButtons::Ok ? MsgAnswer::Ok : answer;
    }
    QStringList texts;
    MsgAnswer answer = MsgAnswer::Ok;
};

inline RecordingMessages Answering(MsgAnswer answer) {
    RecordingMessages messages;
    messages.answer = answer;
    return messages;
}

// All of the engine's screen, faked.
struct FakeEngineScreen {
    FakeSiteRows rows;
    FakeProgress progress;
    FakePanels panels;
    FakeMenus menus;
    FakeWindowShell window;
    RecordingMessages messages;

    EngineScreen screen() { return {rows, progress, panels, menus, window, messages}; }
};

}  // namespace ossivant::test
