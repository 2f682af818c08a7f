#include "mailer/mime/address_header.h"

#include "mailer/mime/header_text.h"

namespace quorvane3 {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A display name with the blanks around it kept outside the encoded word:
// an encoded word must stand apart from the '<' that follows it (a blank is
// added when none is there), and blanks inside it would become part of the
// name.
void WriteDisplayName(std::string& out, std::string_view name, uint32_t charsetCode) {
    std::size_t first = 0;
    while (first < name.size() && IsBlank(name[first])) ++first;
    std::size_t last = name.size();
    while (last > first && IsBlank(name[last - 1])) --last;
    out += name.substr(0, first);
    const std::string_view core = name.substr(first, last - first);
    const std::string encoded = EncodeHeaderText(core, charsetCode);
    out += encoded;
    if (last == name.size() && encoded != core) {
        out += ' ';
    } else {
        out += name.substr(last);
    }
}

}  // namespace

void WriteAddressHeader(std::string& out, std::string_view text, uint32_t charsetCode,
                        AddressField kind) {
    if (text.find('<') == std::string_view::npos) {
        out += text;
        return;
    }
    std::size_t mark = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '<') {
            std::size_t name = mark;
            if (kind == AddressField::kList) {
                const std::size_t comma = text.substr(mark, i - mark).rfind(',');
                if (comma != std::string_view::npos) name = mark + comma + 1;
                out += text.substr(mark, name - mark);
            }
            WriteDisplayName(out, text.substr(name, i - name), charsetCode);
            mark = i;
        } else if (text[i] == '>') {
            std::size_t end = i + 1;
            if (end < text.size() && text[end] == ',') {
                ++end;
                if (end < text.size() && text[end] == '\r') ++end;
                if (end < text.size() && text[end] == '\n') ++end;
            }
            out += text.substr(mark, end - mark);
            mark = end;
        }
    }
    if (mark < text.size()) out += text.substr(mark);
}

}  // namespace quorvane3
