#pragma once

#include <span>

namespace ossivant {

// One page of the tour: its title, the picture (a PNG file name in the tour's
// picture folder) with the caption that stands in for it while the file is
// missing, and a short text for a first-time operator.
struct TourPage {
    const char* title;
    const char* picture;
    const char* caption;
    const char* text;
};

// Every page of the tour, in the order shown. All the tour's wording lives in
// this table.
std::span<const TourPage> TourPages();

}  // namespace ossivant
