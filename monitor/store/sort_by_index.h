#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace ossivant {

// One stored site seen by the renumbering: its stored Index (0 when the key
// has none) and its URL.
struct IndexedUrl {
    std::int32_t Index = 0;
    QString URL;
};

// Exchange sort of the first `count` pairs by Index: entries i < j swap when
// i's Index is greater (ascending) or smaller (descending) than j's; equal
// Indexes never swap.
void SortByIndex(std::vector<IndexedUrl>& list, std::size_t count, bool ascending);

}  // namespace ossivant
