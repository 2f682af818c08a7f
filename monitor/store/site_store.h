#pragma once

#include "monitor/platform/message_box.h"
#include "monitor/store/registry_access.h"
#include "monitor/store/site_table.h"
#include "monitor/store/sort_by_index.h"

#include <QHash>
#include <QString>
#include <cstdint>
#include <set>
#include <vector>

namespace ossivant {

// Results of ReadSiteKey.
constexpr std::int32_t kSiteRead = 0;
constexpr std::int32_t kSiteUnusable = 1;     // no usable URL
constexpr std::int32_t kSiteIndexDiffers = 2;  // read, but its Index is not the expected one

// Keeps the site list in the registry and the site table in step with it.
// Layout below the monitor's root key: \AddressKey holds the pointers
// Domain1..DomainN naming the site keys in list order, \Address holds
// NumActualDomain and one key per site. Each operation is one transaction of
// the registry: whole or absent after a crash. The load failures are told
// through the message box. A site whose write the store refused (its file
// held by another process) is kept and written again by the next operation,
// so the stored list catches up with the table; other write failures are
// ignored, and nothing is kept for a file this process cannot write.
class SiteStore {
public:
    // The most sites the list holds: the pointers beyond are never loaded.
    static constexpr std::int32_t kMaxSites = 1000;

    SiteStore(RegistryAccess& reg, SiteTable& sites, MessageBox& messages)
        : reg_(reg), sites_(sites), messages_(messages) {}

    // Rebuilds the table from the pointers. Without keepStatus every stored
    // Status is reset to 4 and the loaded one is 0; without keepComments the
    // stored and loaded Comments are emptied. A pointer whose key has no URL
    // is deleted.
    void LoadSites(bool keepStatus, bool keepComments);

    // Reads the site key `keyName` into `record` (reset first), with the
    // ranges of the store applied: 0 read, 2 read but its Index is not
    // `expectedIndex`, 1 unusable (no string URL that is not blank).
    std::int32_t ReadSiteKey(const QString& keyName, SiteRecord& record,
                             std::int32_t expectedIndex);

    // Writes entry `index` to its key. With isNew the pointer Domain<index>
    // is written and the key created first; otherwise a missing key is left
    // missing.
    void SaveSite(std::int32_t index, bool isNew);

    // Writes the sites whose write was refused; true when none is left.
    bool RetryUnsaved();
    bool HasUnsaved() const { return !unsaved_.empty(); }
    // For a table about to be loaded from another file.
    void ForgetUnsaved() { unsaved_.clear(); }

    // Writes a record that is not in the table (import): creates its key and
    // stores Index = index, or 2000 for index 0. No pointer is written.
    // Returns the registry's status (ERROR_SUCCESS for a record without URL,
    // which names no key).
    std::int32_t WriteSiteKey(const SiteRecord& record, std::int32_t index);

    void SaveSiteCount(std::int32_t count);

    // Rebuilds the pointers from the site keys, in the order of their stored
    // Index, deleting keys without a URL or whose URL names another key, and
    // renumbers the keys 1..N.
    void RenumberSites();

    // A site key as stored now: whether it holds a URL, and whether the
    // renumbering keeps it (its URL names this very key).
    struct StoredKey {
        bool hasUrl = false;
        bool kept = false;
    };
    // Every key below \Address, by its lower-cased name.
    QHash<QString, StoredKey> StoredKeys();

    // Deletes site `index` from the registry, then renumbers and reloads
    // keeping statuses and comments.
    void RemoveSite(std::int32_t index);

    // The stored URL of the site key for `url`: the status of the read, and
    // the text in `stored`.
    std::int32_t ReadStoredUrl(const QString& url, QString& stored);
    // True when a site with this URL (any letter case) is already stored.
    bool IsUrlTaken(const QString& url);

    // Appends a new site with the URL, IP, TimeOut and Enabled of `entered`,
    // Status 4 and Comments "Added", and stores it. Returns its index.
    std::int32_t AddSite(const SiteRecord& entered);

    // Takes the URL, IP, TimeOut and Enabled of `entered` into site `index`,
    // whose fields were `before` when editing began. The Status survives only
    // when the site stays enabled with the same URL and IP; a URL change
    // (ignoring case and blanks) moves the site to its new key under the
    // same pointer.
    void EditSite(std::int32_t index, const SiteRecord& before, const SiteRecord& entered);

    static QString addressKey();
    static QString pointerKey();
    static QString siteKey(const QString& keyName);

private:
    // LoadSites within its transaction; the text of a failure to tell.
    QString loadSites(bool keepStatus, bool keepComments);
    // The site keys whose URL names them, in the order of their stored
    // Index; with deleteStrays the others are deleted.
    std::vector<IndexedUrl> orderedSiteKeys(bool deleteStrays);
    std::int32_t writeSiteValues(const QString& key, std::int32_t index, const SiteRecord& site);
    // SaveSite of a site that is stored already; its status.
    std::int32_t writeStoredSite(std::int32_t index);

    RegistryAccess& reg_;
    SiteTable& sites_;
    MessageBox& messages_;
    std::set<std::int32_t> unsaved_;  // indexes into sites_
};

}  // namespace ossivant
