#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>

#include "monitor/engine/check_engine.h"
#include "monitor/platform/registry.h"
#include "monitor/report/log_line.h"
#include "monitor/store/site_key.h"
#include "tests/support/fake_alert_sender.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_engine_screen.h"
#include "tests/support/fake_network_state.h"
#include "tests/support/fake_transfer_control.h"
#include "tests/support/temp_registry.h"

namespace ossivant::test {

// One data line of the check log, split into its six fields.
struct DataLine {
    QString checkStart, siteLabel, resultText, elapsed, notes, style;
};

// A check engine over a temporary registry and log folder, with a fake
// transfer control, a fake clock (Monday 7 December 2026, 10:00:00), a fake
// screen and an alert sender that counts. Daily log, interval 60 minutes,
// warning 15 minutes, cookies refused during checks.
class EngineTest : public ::testing::Test {
protected:
    static Settings defaultSettings(const QString& logPath) {
        Settings s;
        s.TimerInterval = 60;
        s.TimerWarning = 15;
        s.ManagerEmail = QStringLiteral("ops@example.test");
        s.ManagerName = QStringLiteral("Ops");
        s.ManagerSMTP = QStringLiteral("127.0.0.1");
        s.ManagerSMTPPort = 25;
        s.LogPath = logPath;
        s.LogPeriod = 1;
        s.DiskLogMaxFiles = 0;
        s.MaxLogFiles = 100;
        s.DiskLogDisabled = 1;
        s.AllowType = 2;
        return s;
    }

    TempRegistry temp;
    QString logDir = QString::fromStdString(temp.dir().file("logs"));
    bool madeLogDir = QDir().mkpath(logDir);
    // With the monitor's short busy time-out.
    reg::Registry registry{temp.path(), reg::Registry::kShortBusyTimeoutMs};
    RegistryAccess access{registry};
    FakeEngineScreen fakes;
    SiteTable sites;
    SiteStore store{access, sites, fakes.messages};
    Settings settings = defaultSettings(logDir);
    StoreSync sync{access, store, settings, logDir};
    FakeClock clock{QDateTime(QDate(2026, 12, 7), QTime(10, 0, 0))};
    FakeTransferControl inet;
    CheckLog log{settings, clock};
    FakeAlertSender alerts;
    FakeNetworkState network;
    CheckEngine engine{{sites, store, sync, settings, access, inet, log, alerts, clock, network},
                       fakes.screen()};
    EngineState& st = engine.state();

    // Appends a site and stores it.
    std::int32_t addSite(const QString& url, const QString& ip = {}, std::uint8_t status = StatusOK,
                         std::uint8_t enabled = 1, std::int32_t timeOut = 30) {
        SiteRecord r;
        r.URL = url;
        r.IP = ip;
        r.Status = status;
        r.Enabled = enabled;
        r.TimeOut = timeOut;
        const std::int32_t index = sites.append(r);
        store.SaveSite(index, true);
        return index;
    }

    // A complete response with this status line.
    void respond(int code, const QString& reason = QStringLiteral("Reason")) {
        inet.respond(QStringLiteral("HTTP/1.1 %1 %2\r\nServer: test\r\n").arg(code).arg(reason));
    }

    QStringList logLines() const {
        if (log.LogFileName().isEmpty()) return {};
        QFile file(log.LogFileName());
        if (!file.open(QIODevice::ReadOnly)) return {};
        QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
        if (!lines.isEmpty() && lines.back().isEmpty()) lines.pop_back();
        return lines;
    }
    // The data lines only (start and end lines left out).
    std::vector<DataLine> dataLines() const {
        std::vector<DataLine> out;
        for (const QString& line : logLines()) {
            if (line.startsWith(QLatin1Char('['))) continue;
            const QStringList f = line.split(QLatin1Char(','));
            if (f.size() < 6) continue;
            // Fields hold no commas in these tests, except possibly notes.
            out.push_back(
                {f[0], f[1], f[2], f[3], f.mid(4, f.size() - 5).join(QLatin1Char(',')), f.back()});
        }
        return out;
    }

    // The Status and Comments stored in the registry for the site with `url`.
    std::int32_t storedStatus(const QString& url) {
        std::int32_t v = -1;
        access.GetValue(reg::HKEY_LOCAL_MACHINE, SiteStore::siteKey(SiteKeyName(url)),
                        QStringLiteral("Status"), v);
        return v;
    }
    QString storedComments(const QString& url) {
        QString v;
        access.GetValue(reg::HKEY_LOCAL_MACHINE, SiteStore::siteKey(SiteKeyName(url)),
                        QStringLiteral("Comments"), v);
        return v;
    }

    // Cookie setting of the platform; nullopt when the value does not exist.
    std::optional<std::int32_t> allowCookies() {
        std::int32_t v = 0;
        if (access.GetValue(reg::HKEY_CURRENT_USER, kInternetSettingsKey, kAllowCookies, v) != 0)
            return std::nullopt;
        return v;
    }

    QStringList probedUrls() const {
        QStringList urls;
        for (const auto& c : inet.calls) urls << c.url;
        return urls;
    }
};

}  // namespace ossivant::test
