// The registry tool reads the store in a loop in a second process while the
// monitor imports a long list and writes a cycle's results, after its import
// dialog looked at the registry's folder. Both sides finish, the import is
// whole, and every read shows a state the store was really in.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <map>
#include <set>

#include "monitor/store/site_key.h"
#include "monitor/store/site_list_transfer.h"
#include "monitor/store/site_store.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_engine_screen.h"
#include "tests/support/fake_file_dialogs.h"
#include "tests/support/print_qstring.h"
#include "tests/support/silent_list_screen.h"
#include "tests/support/temp_registry.h"

extern char** environ;

namespace ossivant::test {
namespace {

constexpr int kOldSites = 3;
constexpr int kImported = 600;
const QString kAddress =
    QStringLiteral("HKEY_LOCAL_MACHINE\\") + SiteStore::addressKey() + QLatin1Char('\\');
const QString kPointers = QStringLiteral("HKEY_LOCAL_MACHINE\\") + SiteStore::pointerKey();
const std::set<QString> kSiteValues = {"Index", "URL", "IP", "Comments", "Enabled", "Status", "Timeout"};

// `ossivant-reg query ROOT /s` again and again until the stop file appears,
// each read into its own file, with one line on standard output after each.
const char kReadLoop[] = R"sh(
i=0
while [ $i -lt 5000 ] && [ ! -e "$3" ]; do
  OSSIVANT_REGISTRY="$4" "$1" query 'HKLM\Software\Pelgrade\Ossivant' /s > "$2/read-$i" 2>&1 || exit 1
  echo
  i=$((i + 1))
done
)sh";

class ReadLoop {
public:
    ReadLoop(const std::string& registry, const std::string& folder)
        : folder_(folder), stopFile_(folder + "/stop") {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        std::string tool = OSSIVANT_REG;
        char* argv[] = {const_cast<char*>("/bin/sh"), const_cast<char*>("-c"), const_cast<char*>(kReadLoop),
                        const_cast<char*>("read-loop"),  tool.data(),
                        const_cast<char*>(folder_.c_str()), const_cast<char*>(stopFile_.c_str()),
                        const_cast<char*>(registry.c_str()), nullptr};
        if (posix_spawn(&pid_, "/bin/sh", &actions, nullptr, argv, environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        lines_ = fds[0];
    }
    ~ReadLoop() {
        if (pid_ > 0) stop();
        if (lines_ >= 0) ::close(lines_);
    }

    bool started() const { return pid_ > 0; }
    // Waits for the next read to end; false when the loop has ended.
    bool nextRead() {
        char c = 0;
        if (::read(lines_, &c, 1) != 1) return false;
        ++reads_;
        return true;
    }
    // Counts the reads that ended meanwhile, without waiting.
    int readsSoFar() {
        const int flags = ::fcntl(lines_, F_GETFL);
        ::fcntl(lines_, F_SETFL, flags | O_NONBLOCK);
        while (nextRead()) {
        }
        ::fcntl(lines_, F_SETFL, flags);
        return reads_;
    }
    // Ends the loop after its current read; its exit status.
    int stop() {
        QFile(QString::fromStdString(stopFile_)).open(QIODevice::WriteOnly);
        while (nextRead()) {
        }
        int status = 0;
        const bool ended = ::waitpid(pid_, &status, 0) == pid_;
        pid_ = -1;
        return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    QString read(int i) const {
        QFile file(QString::fromStdString(folder_ + "/read-" + std::to_string(i)));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    int reads() const { return reads_; }

private:
    std::string folder_;
    std::string stopFile_;
    pid_t pid_ = -1;
    int lines_ = -1;
    int reads_ = 0;
};

// What one read showed: each site key with its value names, the pointers,
// and the stored count.
struct ReadList {
    std::map<QString, std::set<QString>> sites;
    int pointers = 0;
    int count = -1;
};

ReadList Parse(const QString& text) {
    ReadList list;
    QString key;
    for (const QString& line : text.split(QStringLiteral("\r\n")).join(u'\n').split(u'\n')) {
        if (line.startsWith(QStringLiteral("HKEY_"))) {
            key = line;
            if (key.startsWith(kAddress)) list.sites[key.mid(kAddress.size())];
            continue;
        }
        if (!line.startsWith(QStringLiteral("    "))) continue;
        const QStringList fields = line.trimmed().split(QStringLiteral("    "));
        if (key.startsWith(kAddress)) list.sites[key.mid(kAddress.size())].insert(fields.at(0));
        if (key == kPointers) ++list.pointers;
        if (key + QLatin1Char('\\') == kAddress && fields.at(0) == QStringLiteral("NumActualDomain"))
            list.count = fields.value(2).toInt(nullptr, 0);
    }
    return list;
}

QString SiteUrl(int n) { return QStringLiteral("www.site%1.example/status").arg(n); }

// A read saw the old list or the old list with all sites of the file, each
// site whole, and pointers that match the stored count; empty when so, else
// what was wrong.
std::string Problem(const ReadList& list, const std::vector<QString>& oldKeys,
                const std::vector<QString>& importKeys) {
    for (const auto& [name, values] : list.sites)
        if (values != kSiteValues) return "site not whole: " + name.toStdString();
    for (const QString& name : oldKeys)
        if (!list.sites.count(name)) return "old site missing: " + name.toStdString();
    const std::size_t imported = list.sites.size() - oldKeys.size();
    if (imported != 0 && imported != importKeys.size()) return "part of the import";
    for (std::size_t i = 0; i < imported; ++i)
        if (!list.sites.count(importKeys[i])) return "not the file's sites";
    if (list.pointers != list.count) return "pointers and count disagree";
    return {};
}

// Opens each file of the folder and reads its first bytes, as the import
// dialog does to tell the type of each file it lists.
void LookIntoFolderAsADialogDoes(const QString& folder) {
    for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::Files)) {
        QFile file(info.filePath());
        if (file.open(QIODevice::ReadOnly)) file.read(16);
    }
}

TEST(ImportBesideReaderTest, TheRegistryToolReadsWhileTheMonitorImportsAndChecks) {
    TempRegistry temp;
    reg::Registry registry(temp.path());
    RegistryAccess access(registry);
    SiteTable sites;
    RecordingMessages messages = Answering(MsgAnswer::Yes);
    SiteStore store(access, sites, messages);
    ScriptedFileDialogs dialogs;
    SilentListScreen screen;
    FakeClock clock;
    SiteListTransfer transfer({access, store, sites, messages, dialogs, screen, clock});

    std::vector<QString> oldKeys, importKeys;
    store.LoadSites(true, true);
    for (int n = 1; n <= kOldSites; ++n) {
        SiteRecord site;
        site.URL = QStringLiteral("www.old%1.example").arg(n);
        site.TimeOut = 30;
        site.Enabled = 1;
        store.AddSite(site);
        oldKeys.push_back(SiteKeyName(site.URL));
    }
    const QString folder = QString::fromStdString(temp.dir().path().string());
    const QString listFile = folder + QStringLiteral("/sites.ovd");
    {
        QFile file(listFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (int n = 1; n <= kImported; ++n) {
            file.write(QStringLiteral("%1,10.0.%2.%3,1,1,30\r\n").arg(SiteUrl(n)).arg(n / 250).arg(n % 250 + 1).toUtf8());
            importKeys.push_back(SiteKeyName(SiteUrl(n)));
        }
    }

    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/reads")));
    ReadLoop reader(temp.path(), temp.dir().file("reads"));
    ASSERT_TRUE(reader.started());
    ASSERT_TRUE(reader.nextRead());

    LookIntoFolderAsADialogDoes(folder);
    dialogs.openAnswers << listFile;
    transfer.ImportList();
    const int readsOfImport = reader.readsSoFar() - 1;
    // A cycle's writes: every site's result, one site after the other.
    for (std::int32_t i = 1; i <= sites.SiteCount(); ++i) {
        sites[i].Status = 2;
        sites[i].Comments = QStringLiteral("Site OK");
        store.SaveSite(i, false);
    }
    ASSERT_EQ(reader.stop(), 0) << qPrintable(reader.read(reader.reads()));

    EXPECT_GT(readsOfImport, 0);
    ASSERT_EQ(sites.SiteCount(), kOldSites + kImported);
    for (int i = 0; i < reader.reads(); ++i) {
        const ReadList list = Parse(reader.read(i));
        EXPECT_EQ(Problem(list, oldKeys, importKeys), "") << "read " << i << ":\n" << qPrintable(reader.read(i));
    }

    SiteTable reloaded;
    SiteStore fresh(access, reloaded, messages);
    fresh.LoadSites(true, true);
    ASSERT_EQ(reloaded.SiteCount(), kOldSites + kImported);
    std::set<QString> keys;
    for (const SiteRecord& site : reloaded) {
        keys.insert(SiteKeyName(site.URL));
        EXPECT_EQ(site.Status, 2) << qPrintable(site.URL);
        EXPECT_EQ(site.Comments, QStringLiteral("Site OK")) << qPrintable(site.URL);
    }
    std::set<QString> expected(oldKeys.begin(), oldKeys.end());
    expected.insert(importKeys.begin(), importKeys.end());
    EXPECT_EQ(keys, expected);
}

}  // namespace
}  // namespace ossivant::test
