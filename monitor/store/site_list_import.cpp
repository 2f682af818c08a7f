#include "monitor/store/site_list_import.h"

#include <QStringList>
#include <algorithm>

#include "monitor/platform/registry_names.h"
#include "monitor/store/site_key.h"
#include "monitor/store/site_list_file.h"

namespace ossivant {

namespace {

constexpr std::size_t kLineNumbersTold = 5;

QString Lines(std::int32_t n) {
    return n == 1 ? QStringLiteral("1 line") : QStringLiteral("%1 lines").arg(n);
}

std::int32_t KeptSites(const QHash<QString, SiteStore::StoredKey>& keys) {
    return std::int32_t(
        std::count_if(keys.cbegin(), keys.cend(), [](const auto& k) { return k.kept; }));
}

}  // namespace

QString ImportCountsText(const ImportCounts& counts) {
    if (counts.refusal != 0)
        return QStringLiteral(
                   "Nothing was imported: the registry could not be written "
                   "(error %1). The list is as it was.")
            .arg(counts.refusal);
    if (counts.leftOut == 0 && counts.unreadable == 0) return {};
    QStringList parts;
    parts << (counts.imported == 1
                  ? QStringLiteral("1 line was imported.")
                  : QStringLiteral("%1 lines were imported.").arg(counts.imported));
    if (counts.leftOut > 0)
        parts << QStringLiteral("%1 left out: the address list holds at most %2 sites.")
                     .arg(Lines(counts.leftOut))
                     .arg(SiteStore::kMaxSites);
    if (counts.unreadable > 0) {
        QStringList numbers;
        for (const std::int32_t n : counts.firstUnreadable) numbers << QString::number(n);
        if (std::size_t(counts.unreadable) > counts.firstUnreadable.size())
            numbers << QStringLiteral("...");
        parts << QStringLiteral("%1 skipped as unreadable (%2 %3).")
                     .arg(Lines(counts.unreadable),
                          counts.unreadable == 1 ? QStringLiteral("line") : QStringLiteral("lines"),
                          numbers.join(QStringLiteral(", ")));
    }
    return parts.join(QStringLiteral("\n\n"));
}

SiteListImport::SiteListImport(SiteStore& store, RegistryAccess& registry, bool replace)
    : store_(store),
      registry_(registry),
      replace_(replace),
      stored_(store.StoredKeys()),
      sitesStored_(KeptSites(stored_)) {}

void SiteListImport::unreadable(std::int32_t lineNumber) {
    ++counts_.unreadable;
    if (counts_.firstUnreadable.size() < kLineNumbersTold)
        counts_.firstUnreadable.push_back(lineNumber);
}

bool SiteListImport::take(std::int32_t lineNumber, const QString& line, bool tooLong) {
    SiteRecord record;
    const bool usable = !tooLong && ParseSiteLine(line, record) == kLineUsable;
    const QString key = SiteKeyName(record.URL);
    // A line with an IP address alone reads, but names no site to store; an
    // address too long to name a key could not be stored.
    if (!usable || key.isEmpty() || std::size_t(key.toUtf8().size()) > reg::kMaxKeyNameLength) {
        unreadable(lineNumber);
        return true;
    }
    if (const auto found = byKey_.constFind(key); found != byKey_.cend()) {
        Site& site = sites_[*found];
        site.last = record;
        ++site.lines;
        ++counts_.imported;
        return true;
    }
    if (grows(stored_.value(key))) {
        if (sitesStored_ >= SiteStore::kMaxSites) {
            leaveOut(1);
            return false;
        }
        ++sitesStored_;
    }
    byKey_.insert(key, sites_.size());
    sites_.push_back({key, record, record, 1});
    ++counts_.imported;
    return true;
}

void SiteListImport::store() {
    const auto scope = registry_.OneTransaction();
    // Another program may have changed the list while the file was read:
    // the limit holds for what is stored now.
    const QHash<QString, SiteStore::StoredKey> now = store_.StoredKeys();
    std::int32_t count = KeptSites(now);
    for (auto site = sites_.cbegin(); site != sites_.cend(); ++site) {
        const SiteStore::StoredKey stored = now.value(site->key);
        if (grows(stored) && count++ >= SiteStore::kMaxSites) {
            for (auto rest = site; rest != sites_.cend(); ++rest) {
                counts_.imported -= rest->lines;
                counts_.leftOut += rest->lines;
            }
            break;
        }
        if (const std::int32_t status = storeSite(*site, stored); status != reg::ERROR_SUCCESS) {
            counts_.refusal = status;
            counts_.imported = 0;
            return;
        }
    }
    store_.RenumberSites();
}

std::int32_t SiteListImport::storeSite(const Site& site, const SiteStore::StoredKey& stored) {
    SiteRecord record = site.first;
    if (!stored.hasUrl) {
        record.Comments = kImportNew;
        const std::int32_t status = store_.WriteSiteKey(record, 0);
        if (status != reg::ERROR_SUCCESS || site.lines == 1) return status;
    }
    if (replace_) {
        record = site.last;
        record.Comments = kImportReplace;
        return store_.WriteSiteKey(record, 0);
    }
    return registry_.SetValue(reg::HKEY_LOCAL_MACHINE, SiteStore::siteKey(site.key),
                              QStringLiteral("Comments"), QString(), kTypeString);
}

}  // namespace ossivant
