#include "mailer/mime/boundary.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace quorvane3 {
namespace {

constexpr const char* kAllowed =
    "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ'()+_,-./:=?";

TEST(Boundary, HasThePrefixAnd29CharactersOfTheBoundarySet) {
    char boundary[kBoundaryBuffer];
    MakeBoundary(boundary, sizeof boundary);
    const std::string text = boundary;
    ASSERT_EQ(text.size(), kBoundaryLength);
    EXPECT_TRUE(text.starts_with("=_ Boundary "));
    EXPECT_EQ(text.find_first_not_of(kAllowed, 12), std::string::npos) << text;
}

TEST(Boundary, FollowsTheMillisecondAndRandomNumbers) {
    char boundary[kBoundaryBuffer];
    uint32_t next = 250;
    // Index = (ms + (random mod 100) * 3 + position * 2) mod 74.
    MakeBoundary(boundary, sizeof boundary, 999, [&] { return next++; });
    EXPECT_STREQ(boundary, "=_ Boundary (-?49ejotyDINSX).");
}

TEST(Boundary, TwoBoundariesDiffer) {
    char first[kBoundaryBuffer];
    char second[kBoundaryBuffer];
    MakeBoundary(first, sizeof first);
    MakeBoundary(second, sizeof second);
    EXPECT_STRNE(first, second);
}

TEST(Boundary, ShortBufferKeepsTheTerminator) {
    char small[5] = "####";
    MakeBoundary(small, sizeof small);
    EXPECT_STREQ(small, "=_ B");
}

}  // namespace
}  // namespace quorvane3
