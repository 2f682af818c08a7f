#pragma once

#include <QString>
#include <array>

#include "monitor/store/site_record.h"
#include "monitor/store/site_table.h"

namespace ossivant {

// The main window's rules that need no widget: which sites the two view
// filters let through, how header clicks move the sort state, and where the
// layout puts things. Lengths are in twips (15 to a pixel).

// The columns of lvwMain, left to right. A row keeps the numbers of the
// pictures it shows (enabled box 1/0, light 1..3 or 0) under kImageRole.
enum ListColumn { kIndexColumn, kAddressColumn, kIpColumn, kLightColumn, kCommentColumn };
inline constexpr int kImageRole = Qt::UserRole;

// ViewResultFilter: 0 all, 1 successful, 2 warning, 3 unsuccessful.
// ViewEnabledFilter: 0 both, 1 enabled only, 2 disabled only.
bool SitePassesFilters(const SiteRecord& site, int viewResultFilter, int viewEnabledFilter);

// The count of sites in each state, for the line above the list: the whole
// count, then the enabled sites by light and the disabled ones, leaving out
// states no site is in ("4 sites", "3 OK, 1 disabled").
struct SiteSummary {
    QString total;
    QString states;
};
SiteSummary SummariseSites(const SiteTable& sites);

// The list's sort state. `column` is 0-based; in natural order the rows
// follow the text of the first column, whatever `column` says.
enum class SortMode { Ascending = 0, Descending = 1, Natural = 2 };
enum class HeaderIcon { None, Ascending, Descending };

struct SortState {
    int column = 0;
    SortMode mode = SortMode::Natural;

    // The column the rows are ordered by, and whether in descending order.
    int sortKey() const { return mode == SortMode::Natural ? 0 : column; }
    bool descending() const { return mode == SortMode::Descending; }
};

struct SortStep {
    SortState state;
    int iconColumn = -1;  // the header that shows `icon` (0-based), or -1
    HeaderIcon icon = HeaderIcon::None;
};

// A click on header `column` (0-based). The two address headers cycle
// ascending, descending, natural; any other header returns to natural order.
SortStep ClickHeader(const SortState& current, int column);

// Positions and sizes of frmMain's controls for a client area of
// `width` x `height` twips (the height above the status bar).
struct MainLayout {
    int curViewLeft = 0;  // fraCurView
    int lineWidth = 0;    // the two separator lines
    int listWidth = 0;    // lvwMain
    int listHeight = -1;  // -1: keep the height it has
    std::array<int, 5> columns{};
};
MainLayout ComputeMainLayout(int width, int height);

inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kMinWindowWidth = 5600;
inline constexpr int kMinWindowHeight = 4600;
inline constexpr int kListRoomBelow = 1500;  // kept free above the status bar

constexpr int Pixels(int twips) {
    return (twips >= 0 ? twips + kTwipsPerPixel / 2 : twips - kTwipsPerPixel / 2) / kTwipsPerPixel;
}

}  // namespace ossivant
