#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvane3 {

// Appends an address field (From, Reply-To, To, Cc) as the job gives it to a
// header line: display names before '<' go through EncodeHeaderText, the
// bracketed addresses, with a comma and a line break right after one, are
// kept as they are (such a line break folds the header). An encoded name
// keeps the blanks around it outside the encoded word and is always followed
// by a blank, so the word stands apart from the '<'. A text without any '<'
// is appended unchanged.
void WriteAddressHeader(std::string& out, std::string_view addresses, uint32_t charsetCode);

}  // namespace quorvane3
