#include "monitor/store/sort_by_index.h"

#include <algorithm>
#include <utility>

namespace ossivant {

void SortByIndex(std::vector<IndexedUrl>& list, std::size_t count, bool ascending) {
    count = std::min(count, list.size());
    for (std::size_t i = 0; i + 1 < count; ++i) {
        for (std::size_t j = i + 1; j < count; ++j) {
            const bool swap = ascending ? list[i].Index > list[j].Index
                                        : list[i].Index < list[j].Index;
            if (swap) std::swap(list[i], list[j]);
        }
    }
}

}  // namespace ossivant
