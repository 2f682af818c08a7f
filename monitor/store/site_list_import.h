#pragma once

#include <QHash>
#include <QString>
#include <cstdint>
#include <vector>

#include "monitor/store/registry_access.h"
#include "monitor/store/site_record.h"
#include "monitor/store/site_store.h"

namespace ossivant {

inline const QString kImportReplace = QStringLiteral("Import Replace");
inline const QString kImportNew = QStringLiteral("Import New");

// What an import took in and what it did not.
struct ImportCounts {
    std::int32_t imported = 0;                  // lines whose site was stored
    std::int32_t leftOut = 0;                   // lines past the limit of the list
    std::int32_t unreadable = 0;                // lines that hold no site
    std::vector<std::int32_t> firstUnreadable;  // their first few line numbers
    std::int32_t refusal = 0;                   // the registry's status when it took nothing
};

// The message after an import that did not take in every line; empty when
// every line that is not blank was imported.
QString ImportCountsText(const ImportCounts& counts);

// The import of one data file, worked out line by line before anything is
// written, then stored as one transaction: a crash leaves the list as it
// was or with the whole import. The list never grows past
// SiteStore::kMaxSites: the lines are taken in file order up to the line
// whose new site would pass the limit, and none from there on; sites
// already stored are never pushed out. What each site gets follows from its
// lines, as if they were stored one after the other: a new site its first
// line and "Import New"; in replace mode a site already stored, or named
// again, its last line and "Import Replace"; in add mode such a site keeps
// its values and loses its comment.
class SiteListImport {
public:
    SiteListImport(SiteStore& store, RegistryAccess& registry, bool replace);

    // Takes the next line that is not blank (trimmed); `tooLong` marks a line
    // that was too long to read. False when the list is full: this line and
    // every later one are left out (see leaveOut).
    bool take(std::int32_t lineNumber, const QString& line, bool tooLong);
    // Counts lines that were not looked at because the list is full.
    void leaveOut(std::int32_t lines) { counts_.leftOut += lines; }

    // Stores what was taken and renumbers the list, in one transaction. A
    // store that refuses a write (held by another program, read-only) gets
    // no further one: nothing is imported, and counts() tells why.
    void store();

    const ImportCounts& counts() const { return counts_; }

private:
    struct Site {
        QString key;  // lower-cased key name
        SiteRecord first;
        SiteRecord last;
        std::int32_t lines = 0;
    };

    void unreadable(std::int32_t lineNumber);
    // True when taking a site with this key makes the list one longer.
    bool grows(const SiteStore::StoredKey& stored) const {
        return !stored.kept && (replace_ || !stored.hasUrl);
    }
    std::int32_t storeSite(const Site& site, const SiteStore::StoredKey& stored);

    SiteStore& store_;
    RegistryAccess& registry_;
    bool replace_;
    QHash<QString, SiteStore::StoredKey> stored_;
    std::int32_t sitesStored_ = 0;  // what the list will hold
    std::vector<Site> sites_;       // in the order of their first line
    QHash<QString, std::size_t> byKey_;
    ImportCounts counts_;
};

}  // namespace ossivant
