#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvane3 {

// How the commas of an address field count.
enum class AddressField {
    kOne,   // From, Reply-To: one address; a comma before '<' belongs to the name
    kList,  // To, Cc: comma-separated items, each taken on its own
};

// Appends an address field as the job gives it to a header line: display
// names before '<' go through EncodeHeaderText, the bracketed addresses,
// with a comma and a line break right after one, are kept as they are (such
// a line break folds the header). In a list a display name is only the text
// of the '<'s own item; the items before it (bare addresses and their
// commas) are kept as they are, as the envelope takes them. An encoded name
// keeps the blanks around it outside the encoded word and is always followed
// by a blank, so the word stands apart from the '<'. A text without any '<'
// is appended unchanged.
void WriteAddressHeader(std::string& out, std::string_view addresses, uint32_t charsetCode,
                        AddressField kind);

}  // namespace quorvane3
