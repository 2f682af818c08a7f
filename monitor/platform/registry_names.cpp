#include "monitor/platform/registry_names.h"

#include <QChar>

#include "monitor/platform/utf8.h"

namespace ossivant::reg {
namespace {

// Decodes one UTF-8 sequence at s[i]; returns its length, 0 when invalid.
std::size_t decodeUtf8(std::string_view s, std::size_t i, char32_t* cp) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t len;
    char32_t min;
    if (b0 < 0x80) {
        *cp = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        len = 2, min = 0x80, *cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, min = 0x800, *cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, min = 0x10000, *cp = b0 & 0x07;
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        *cp = (*cp << 6) | (b & 0x3F);
    }
    if (*cp < min || *cp > 0x10FFFF || (*cp >= 0xD800 && *cp <= 0xDFFF)) return 0;
    return len;
}

}  // namespace

std::string foldName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size();) {
        if (const auto c = static_cast<unsigned char>(name[i]); c < 0x80) {
            out.push_back(c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : char(c));
            ++i;
            continue;
        }
        char32_t cp = 0;
        const std::size_t len = decodeUtf8(name, i, &cp);
        if (len == 0) {
            out.push_back(name[i]);  // not UTF-8: keep the byte as it is
            ++i;
            continue;
        }
        appendUtf8(QChar::toUpper(cp), &out);
        i += len;
    }
    return out;
}

bool splitKeyPath(std::string_view path, std::vector<std::string>* names) {
    names->clear();
    if (path.empty()) return true;
    if (path.back() == '\\') path.remove_suffix(1);
    if (path.empty()) return false;  // the path was a lone "\"
    std::size_t start = 0;
    while (true) {
        const std::size_t end = path.find('\\', start);
        const std::string_view name =
            path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (name.empty() || name.size() > kMaxKeyNameLength) return false;
        names->emplace_back(name);
        if (end == std::string_view::npos) return true;
        start = end + 1;
    }
}

}  // namespace ossivant::reg
