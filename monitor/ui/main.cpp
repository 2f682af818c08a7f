// Ossivant start-up. The windows are not part of this build yet: the program
// refuses a second copy, loads and repairs its settings, renumbers and loads
// the site list, reports what it found and ends.
#include "monitor/engine/panel_time.h"
#include "monitor/platform/registry.h"
#include "monitor/store/registry_access.h"
#include "monitor/ui/startup.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>
#include <QTextStream>

namespace {

class ConsoleMessageBox final : public ossivant::MessageBox {
public:
    ossivant::MsgAnswer show(const QString& text, ossivant::MsgButtons buttons,
                             ossivant::MsgIcon) override {
        QTextStream(stderr) << "Ossivant: " << text << '\n';
        return buttons == ossivant::MsgButtons::YesNo || buttons == ossivant::MsgButtons::YesNoCancel
                   ? ossivant::MsgAnswer::Yes
                   : ossivant::MsgAnswer::Ok;
    }
};

QString LockFilePath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    return dir + QStringLiteral("/ossivant.lock");
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);

    QLockFile instance(LockFilePath());
    if (!instance.tryLock(0)) {
        out << "Ossivant has already started!\n\nTo restore Ossivant, right-mouse click on the "
               "Ossivant icon located in the system tray, and select Restore.\n";
        return 0;
    }

    ossivant::reg::Registry registry(ossivant::reg::Registry::defaultPath());
    ossivant::RegistryAccess reg(registry);
    ConsoleMessageBox messages;
    ossivant::SystemClock clock;
    ossivant::StartupState state;
    ossivant::LoadAtStartup(reg, messages, clock, QCoreApplication::applicationDirPath(), state);

    out << "Ossivant: settings and sites from " << QString::fromStdString(registry.path()) << '\n'
        << "  sites: " << state.sites.SiteCount() << '\n';
    for (std::int32_t i = 1; i <= state.sites.SiteCount(); ++i) {
        const ossivant::SiteRecord& site = state.sites[i];
        out << "    " << i << "  " << ossivant::HttpAddress(site.URL)
            << (site.IP.isEmpty() ? QString() : QStringLiteral("  (") + site.IP + u')')
            << (site.Enabled == 1 ? "" : "  disabled") << "  time-out " << site.TimeOut << " s\n";
    }
    out << "  check log folder: " << state.settings.LogPath << '\n'
        << "  first automatic check: Next: " << ossivant::PanelTimeText(state.NextCheckTime) << '\n'
        << "The main window is not part of this build yet; Ossivant stops after loading.\n";
    return 0;
}
