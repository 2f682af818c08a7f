#pragma once

#include "monitor/store/site_record.h"

#include <cstdint>
#include <vector>

namespace ossivant {

// The in-memory site list: entries 1..SiteCount(), addressed everywhere by
// their 1-based index. Rebuilt from the registry by SiteStore::LoadSites;
// an index outside 1..SiteCount() throws std::out_of_range.
class SiteTable {
public:
    std::int32_t SiteCount() const { return static_cast<std::int32_t>(sites_.size()); }
    bool empty() const { return sites_.empty(); }

    SiteRecord& operator[](std::int32_t index) { return sites_.at(slot(index)); }
    const SiteRecord& operator[](std::int32_t index) const { return sites_.at(slot(index)); }

    // Appends one entry and returns its index (the new SiteCount()).
    std::int32_t append(const SiteRecord& site = {}) {
        sites_.push_back(site);
        return SiteCount();
    }
    void clear() { sites_.clear(); }

    auto begin() const { return sites_.begin(); }
    auto end() const { return sites_.end(); }

private:
    static std::size_t slot(std::int32_t index) {
        // Index 0 and negatives map past the end, so at() refuses them.
        return index >= 1 ? static_cast<std::size_t>(index) - 1 : static_cast<std::size_t>(-1);
    }
    std::vector<SiteRecord> sites_;
};

}  // namespace ossivant
