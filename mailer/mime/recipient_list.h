#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvane3 {

// Longest address item of a list; an item reaching 80 characters ends the list.
inline constexpr std::size_t kMaxAddressItem = 79;

// The list with display names left out: every '>' is dropped, and a '<'
// drops what was copied since the mark, which sits at the start, behind
// every comma and, after each '>', just behind the character following it.
// So a '<' drops only the text of its own comma-separated item:
// "A <a@x>, B <b@x>" gives "a@x,b@x" and "a@x, B <b@x>" gives "a@x,b@x".
std::string DropDisplayNames(std::string_view list);

// The addresses of an address field (To or Cc) in order: display names
// dropped, split at commas, blanks and tabs removed, empty items skipped; an
// item of 80 characters or more ends the list and is dropped with the rest.
std::vector<std::string> SplitAddressList(std::string_view list);

// The envelope recipients: every To address, then every Cc address,
// duplicates kept.
std::vector<std::string> BuildRecipientList(std::string_view toList, std::string_view ccList);

}  // namespace quorvane3
