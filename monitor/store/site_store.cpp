#include "monitor/store/site_store.h"

#include "monitor/store/site_key.h"
#include "monitor/store/sort_by_index.h"
#include "monitor/store/store_texts.h"

#include <algorithm>
#include <limits>

namespace ossivant {

namespace {

const reg::HKEY kHive = reg::HKEY_LOCAL_MACHINE;
constexpr std::int32_t kEnumLimit = SiteStore::kMaxSites;
constexpr std::int32_t kImportIndex = 2000;

QString pointerName(std::int32_t n) { return QStringLiteral("Domain") + QString::number(n); }

// The number a text starts with, read the way the pointer names are read:
// leading blanks skipped, an optional sign, then digits; 0 when there are none.
std::int32_t leadingNumber(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace()) ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        negative = text.at(i++) == QLatin1Char('-');
    std::int64_t n = 0;
    for (; i < text.size() && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); ++i) {
        n = n * 10 + (text.at(i).unicode() - '0');
        if (n > std::numeric_limits<std::int32_t>::max()) break;
    }
    n = std::min<std::int64_t>(n, std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(negative ? -n : n);
}

// A pointer's data names a key; one written by hand may still hold "\".
QString keyNameOf(const QString& pointerData) {
    return pointerData.contains(QLatin1Char('\\')) ? EscapeKeyName(pointerData) : pointerData;
}

// True when the stored URL of key `name` names that key, so that the
// renumbering keeps it.
bool urlNamesKey(const QString& url, const QString& name) {
    return EscapeKeyName(url.trimmed()).toLower() == name.toLower();
}

// A failure of the store itself (its file held by another process, gone or
// unreadable), after which the write is worth making again.
bool refusedByStore(std::int32_t status) {
    return status == reg::ERROR_CANTWRITE || status == reg::ERROR_CANTOPEN ||
           status == reg::ERROR_CANTREAD;
}

}  // namespace

QString SiteStore::addressKey() { return OssivantKey(QStringLiteral("\\Address")); }
QString SiteStore::pointerKey() { return OssivantKey(QStringLiteral("\\AddressKey")); }
QString SiteStore::siteKey(const QString& keyName) {
    return addressKey() + QLatin1Char('\\') + keyName;
}

void SiteStore::LoadSites(bool keepStatus, bool keepComments) {
    RetryUnsaved();
    unsaved_.clear();  // the table is the store's from now on
    QString failure;
    {
        const auto scope = reg_.OneTransaction();
        failure = loadSites(keepStatus, keepComments);
    }
    // Told once the store is released: the box waits for the operator.
    if (!failure.isEmpty()) messages_.show(failure, MsgButtons::Ok);
}

QString SiteStore::loadSites(bool keepStatus, bool keepComments) {
    sites_.clear();
    std::vector<RegistryEntry> entries;
    const std::int32_t st = reg_.EnumValues(kHive, pointerKey(), entries, kEnumLimit, kEnumLimit);
    if (st != reg::ERROR_SUCCESS) {
        auto failure = [](const QString& text, std::int32_t code) {
            return text + QStringLiteral("\n\nError: ") + QString::number(code);
        };
        if (st == reg::ERROR_BADDB) return DamagedStoreText(reg_.registry().path());
        if (st != reg::ERROR_INVALID_HANDLE)
            return failure(QStringLiteral("Error ccured while trying to retrieve Addresses."), st);
        const std::int32_t created = reg_.CreateKey(kHive, pointerKey());
        if (created == reg::ERROR_CANTWRITE && reg_.registry().ReadOnly()) {
            // A list no renumbering could point to (written by other tools
            // into a file we may only read): the order it would have.
            std::int32_t n = 0;
            for (const IndexedUrl& site : orderedSiteKeys(false))
                entries.push_back({pointerName(++n), EscapeKeyName(site.URL).toLower(), kTypeString});
        } else if (created != reg::ERROR_SUCCESS) {
            return failure(QStringLiteral("Error ccured while trying to create registry for Address."),
                           created);
        } else {
            SaveSiteCount(0);
            return {};
        }
    }

    struct Pointer {
        QString name;
        QString data;
        std::int32_t number;
    };
    std::vector<Pointer> pointers;
    for (const RegistryEntry& e : entries) {
        if (e.Type != kTypeString) continue;
        const QString data = e.Data.toString();
        if (data.trimmed().isEmpty()) continue;
        if (e.Name.left(6).toUpper() != QLatin1String("DOMAIN")) continue;
        pointers.push_back({e.Name, data, leadingNumber(e.Name.mid(6))});
    }
    // Pointers are created in ascending order by the renumbering, but a list
    // written by other tools may not be; the number decides the order.
    std::stable_sort(pointers.begin(), pointers.end(),
                     [](const Pointer& a, const Pointer& b) { return a.number < b.number; });

    for (const Pointer& p : pointers) {
        SiteRecord work;
        const std::int32_t result = ReadSiteKey(p.data, work, p.number);
        if (result == kSiteUnusable) {
            reg_.DeleteValue(kHive, pointerKey(), p.name);
            continue;
        }
        if (result != kSiteRead && result != kSiteIndexDiffers) continue;
        SiteRecord site;
        site.IP = work.IP;
        site.URL = work.URL;
        site.Enabled = work.Enabled;
        site.TimeOut = work.TimeOut;
        const QString key = siteKey(keyNameOf(p.data));
        if (keepStatus) {
            site.Status = work.Status;
        } else {
            reg_.SetValue(kHive, key, QStringLiteral("Status"), int(StatusUnchecked), kTypeNumber);
            site.Status = StatusNotChecked;
        }
        if (keepComments) {
            site.Comments = work.Comments;
        } else {
            reg_.SetValue(kHive, key, QStringLiteral("Comments"), QString(), kTypeString);
        }
        sites_.append(site);
    }
    SaveSiteCount(sites_.SiteCount());
    return {};
}

std::int32_t SiteStore::ReadSiteKey(const QString& keyName, SiteRecord& record,
                                    std::int32_t expectedIndex) {
    record = SiteRecord{};
    const QString key = siteKey(keyNameOf(keyName));

    QString url;
    std::int32_t type = 0;
    if (reg_.GetValue(kHive, key, QStringLiteral("URL"), url, &type) != reg::ERROR_SUCCESS ||
        type != kTypeString || url.trimmed().isEmpty())
        return kSiteUnusable;
    record.URL = url;

    std::int16_t index = 0;
    reg_.GetValue(kHive, key, QStringLiteral("Index"), index);
    reg_.GetValue(kHive, key, QStringLiteral("IP"), record.IP);
    std::int32_t enabled = 0;
    reg_.GetValue(kHive, key, QStringLiteral("Enabled"), enabled);
    record.Enabled = (enabled == 0 || enabled == 1) ? std::uint8_t(enabled) : std::uint8_t(0);
    std::int32_t status = 0;
    reg_.GetValue(kHive, key, QStringLiteral("Status"), status);
    record.Status = (status < StatusOK || status > StatusUnchecked) ? std::uint8_t(StatusUnchecked)
                                                                     : std::uint8_t(status);
    std::int32_t timeOut = 0;
    reg_.GetValue(kHive, key, QStringLiteral("TimeOut"), timeOut);
    record.TimeOut = std::clamp(timeOut, 1, 1800);
    reg_.GetValue(kHive, key, QStringLiteral("Comments"), record.Comments);

    return index == expectedIndex ? kSiteRead : kSiteIndexDiffers;
}

std::int32_t SiteStore::writeSiteValues(const QString& key, std::int32_t index,
                                        const SiteRecord& site) {
    return reg_.SetValues(kHive, key,
                   {{QStringLiteral("Index"), index, kTypeNumber},
                    {QStringLiteral("URL"), site.URL, kTypeString},
                    {QStringLiteral("IP"), site.IP, kTypeString},
                    {QStringLiteral("Comments"), site.Comments, kTypeString},
                    {QStringLiteral("Enabled"), int(site.Enabled), kTypeNumber},
                    {QStringLiteral("Status"), int(site.Status), kTypeNumber},
                    {QStringLiteral("Timeout"), site.TimeOut, kTypeNumber}});
}

void SiteStore::SaveSite(std::int32_t index, bool isNew) {
    if (index < 1 || index > sites_.SiteCount()) return;
    if (!isNew) {
        if (!unsaved_.empty()) {
            // Written together with those still waiting: one wait on a held file.
            unsaved_.insert(index);
            RetryUnsaved();
        } else if (refusedByStore(writeStoredSite(index)) && !reg_.registry().ReadOnly()) {
            unsaved_.insert(index);
        }
        return;
    }
    RetryUnsaved();
    const SiteRecord& site = sites_[index];
    const QString name = SiteKeyName(site.URL);
    // A blank name would address \Address itself.
    if (name.isEmpty()) return;
    const QString key = siteKey(name);
    const auto scope = reg_.OneTransaction();
    reg_.SetValue(kHive, pointerKey(), pointerName(index), name, kTypeString);
    reg_.CreateKey(kHive, key);
    writeSiteValues(key, index, site);
}

std::int32_t SiteStore::writeStoredSite(std::int32_t index) {
    const SiteRecord& site = sites_[index];
    const QString name = SiteKeyName(site.URL);
    if (name.isEmpty()) return reg::ERROR_SUCCESS;
    // Outside a write scope (unless the caller opened one), so that values
    // the store already holds are checked under a read lock and not written.
    return writeSiteValues(siteKey(name), index, site);
}

bool SiteStore::RetryUnsaved() {
    if (unsaved_.empty()) return true;
    std::set<std::int32_t> refused;
    {
        // One lock of the file for all: while another process holds it,
        // the first write waits and the others fail at once.
        const auto scope = reg_.OneTransaction();
        for (const std::int32_t index : unsaved_)
            if (index <= sites_.SiteCount() && refusedByStore(writeStoredSite(index)))
                refused.insert(index);
    }
    unsaved_ = std::move(refused);
    return unsaved_.empty();
}

std::int32_t SiteStore::WriteSiteKey(const SiteRecord& record, std::int32_t index) {
    const QString name = SiteKeyName(record.URL);
    if (name.isEmpty()) return reg::ERROR_SUCCESS;
    const QString key = siteKey(name);
    const auto scope = reg_.OneTransaction();
    if (const std::int32_t status = reg_.CreateKey(kHive, key); status != reg::ERROR_SUCCESS)
        return status;
    return writeSiteValues(key, index == 0 ? kImportIndex : index, record);
}

void SiteStore::SaveSiteCount(std::int32_t count) {
    const auto scope = reg_.OneTransaction();
    if (count == 0) reg_.CreateKey(kHive, addressKey());
    reg_.SetValue(kHive, addressKey(), QStringLiteral("NumActualDomain"), count, kTypeNumber);
}

std::vector<IndexedUrl> SiteStore::orderedSiteKeys(bool deleteStrays) {
    QStringList names;
    reg_.EnumKeys(kHive, addressKey(), names, kEnumLimit, kEnumLimit);
    std::vector<IndexedUrl> pairs;
    pairs.reserve(static_cast<std::size_t>(names.size()));
    for (const QString& name : names) {
        if (name.trimmed().isEmpty()) continue;
        const QString key = siteKey(name);
        IndexedUrl pair;
        reg_.GetValue(kHive, key, QStringLiteral("URL"), pair.URL);
        pair.URL = pair.URL.trimmed();
        reg_.GetValue(kHive, key, QStringLiteral("Index"), pair.Index);
        if (!urlNamesKey(pair.URL, name)) {
            if (deleteStrays) reg_.DeleteKey(kHive, key);
            continue;
        }
        pairs.push_back(std::move(pair));
    }
    SortByIndex(pairs, pairs.size(), true);
    return pairs;
}

void SiteStore::RenumberSites() {
    RetryUnsaved();
    const auto scope = reg_.OneTransaction();
    const std::vector<IndexedUrl> pairs = orderedSiteKeys(true);

    // Every pointer is discarded. Should the key refuse deletion (someone
    // put a subkey below it), its values are removed one by one instead, so
    // no stale pointer outlives the renumbering.
    if (reg_.DeleteKey(kHive, pointerKey()) != reg::ERROR_SUCCESS) {
        std::vector<RegistryEntry> stale;
        reg_.EnumValues(kHive, pointerKey(), stale, std::numeric_limits<std::int32_t>::max());
        for (const RegistryEntry& e : stale) reg_.DeleteValue(kHive, pointerKey(), e.Name);
    }
    reg_.CreateKey(kHive, pointerKey());
    if (pairs.empty()) {
        SaveSiteCount(0);
        return;
    }

    std::int32_t n = 0;
    for (const IndexedUrl& pair : pairs) {
        ++n;
        const QString name = EscapeKeyName(pair.URL).toLower();
        reg_.SetValue(kHive, pointerKey(), pointerName(n), name, kTypeString);
        reg_.SetValue(kHive, siteKey(name), QStringLiteral("Index"), n, kTypeNumber);
    }
    SaveSiteCount(n);
}

QHash<QString, SiteStore::StoredKey> SiteStore::StoredKeys() {
    const auto scope = reg_.OneTransaction(reg::Registry::Transaction::Access::Read);
    QStringList names;
    reg_.EnumKeys(kHive, addressKey(), names, std::numeric_limits<std::int32_t>::max());
    QHash<QString, StoredKey> keys;
    for (const QString& name : names) {
        if (name.trimmed().isEmpty()) continue;
        QString url;
        const bool read =
            reg_.GetValue(kHive, siteKey(name), QStringLiteral("URL"), url) == reg::ERROR_SUCCESS;
        keys.insert(name.toLower(), {read && !url.isEmpty(), urlNamesKey(url, name)});
    }
    return keys;
}

void SiteStore::RemoveSite(std::int32_t index) {
    {
        const auto scope = reg_.OneTransaction();
        QString name;
        if (reg_.GetValue(kHive, pointerKey(), pointerName(index), name) == reg::ERROR_SUCCESS &&
            !name.trimmed().isEmpty())
            reg_.DeleteKey(kHive, siteKey(keyNameOf(name)));
        reg_.DeleteValue(kHive, pointerKey(), pointerName(index));
        RenumberSites();
    }
    LoadSites(true, true);
}

std::int32_t SiteStore::ReadStoredUrl(const QString& url, QString& stored) {
    stored.clear();
    const QString name = SiteKeyName(url);
    if (name.isEmpty()) return reg::ERROR_FILE_NOT_FOUND;
    return reg_.GetValue(kHive, siteKey(name), QStringLiteral("URL"), stored);
}

bool SiteStore::IsUrlTaken(const QString& url) {
    QString stored;
    const std::int32_t st = ReadStoredUrl(url, stored);
    return st == reg::ERROR_SUCCESS || !stored.isEmpty();
}

std::int32_t SiteStore::AddSite(const SiteRecord& entered) {
    SiteRecord site;
    site.URL = entered.URL;
    site.IP = entered.IP;
    site.TimeOut = entered.TimeOut;
    site.Enabled = entered.Enabled;
    site.Status = StatusUnchecked;
    site.Comments = QStringLiteral("Added");
    const auto scope = reg_.OneTransaction();
    const std::int32_t index = sites_.append(site);
    SaveSite(index, true);
    SaveSiteCount(index);
    return index;
}

void SiteStore::EditSite(std::int32_t index, const SiteRecord& before, const SiteRecord& entered) {
    if (index < 1 || index > sites_.SiteCount()) return;
    RetryUnsaved();
    SiteRecord& site = sites_[index];
    site.URL = entered.URL;
    site.IP = entered.IP;
    site.TimeOut = entered.TimeOut;
    site.Enabled = entered.Enabled;
    const bool sameAddress = site.URL == before.URL && site.IP == before.IP;
    if (!(site.Enabled != 0 && sameAddress)) site.Status = StatusUnchecked;
    site.Comments = QStringLiteral("Edited");
    const auto scope = reg_.OneTransaction();
    if (site.URL.trimmed().toLower() != before.URL.trimmed().toLower()) {
        const QString oldName = SiteKeyName(before.URL);
        if (!oldName.isEmpty()) reg_.DeleteKey(kHive, siteKey(oldName));
        SaveSite(index, true);
    } else {
        SaveSite(index, false);
    }
}

}  // namespace ossivant
