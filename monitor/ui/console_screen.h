#pragma once

#include "monitor/engine/alert_news_text.h"
#include "monitor/engine/screen.h"
#include "monitor/report/alert_deliveries.h"

#include <QTextStream>

namespace ossivant {

// The engine's screen on a terminal, for running the monitor without its
// windows: every change the main window would show becomes one line of text.
class ConsoleScreen final : public SiteRows,
                            public ProgressDisplay,
                            public StatusPanels,
                            public MenuCommands,
                            public MainWindowShell,
                            public MessageBox,
                            public AlertNewsListener {
public:
    explicit ConsoleScreen(QTextStream& out) : out_(out) {}

    EngineScreen screen() { return {*this, *this, *this, *this, *this, *this}; }
    bool autoCheckTimerEnabled() const { return autoCheck_; }

    bool FindRow(std::int32_t index) override { return index >= 1; }
    void MakeRowVisible(std::int32_t) override {}
    void SetRowLight(std::int32_t index, int image) override;
    void SetRowComment(std::int32_t index, const QString& text) override;
    void ClearAllComments() override {}

    void Show() override {}
    void Close() override {}
    void SetSiteName(const QString& text) override;
    void SetSiteStatus(const QString&) override {}

    void SetPanelText(int panel, const QString& text) override;
    void ShowNotice(const QString& text) override { line(text); }
    void SetCommandEnabled(const QString&, bool) override {}

    bool IsMinimised() const override { return false; }
    void SetAutoCheckTimerEnabled(bool enabled) override { autoCheck_ = enabled; }
    void Beep() override;
    void NotifySiteDown(const QString& site, const QString& result) override {
        line(QStringLiteral("DOWN: ") + site + QStringLiteral(" - ") + result);
    }
    void SiteListReloaded() override {}  // the notice that comes with it says so

    void tellAlertNews(const AlertNews& news) override { line(AlertNewsText(news)); }

    MsgAnswer show(const QString& text, MsgButtons buttons, MsgIcon icon) override;

private:
    void line(const QString& text);

    QTextStream& out_;
    bool autoCheck_ = true;
};

}  // namespace ossivant
