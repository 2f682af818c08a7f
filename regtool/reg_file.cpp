#include "regtool/reg_file.h"

#include <cctype>
#include <cstdio>
#include <optional>

#include "monitor/platform/utf8.h"

namespace ossivant::regtool {
namespace {

constexpr const char* kHeader = "Windows Registry Editor Version 5.00";
constexpr const char* kOldHeader = "REGEDIT4";
constexpr std::size_t kWrapColumn = 77;

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
    }
    return out + "\"";
}

// A REG_SZ value whose bytes the quoted form gives back exactly: one
// terminating NUL and no other, and no line break.
bool fitsQuotedForm(const std::string& data) {
    if (data.empty() || data.back() != '\0') return false;
    return data.find_first_of(std::string("\0\r\n", 3)) == data.size() - 1;
}

void appendHex(std::string* line, const std::string& data, std::string* out) {
    static const char* digits = "0123456789abcdef";
    for (std::size_t i = 0; i < data.size(); ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        const bool last = i + 1 == data.size();
        if (line->size() + 3 > kWrapColumn) {
            *out += *line + "\\\r\n";
            *line = "  ";
        }
        line->push_back(digits[b >> 4]);
        line->push_back(digits[b & 0x0F]);
        if (!last) line->push_back(',');
    }
}

std::string valueLine(const Value& v) {
    std::string line = v.name.empty() ? "@=" : quoted(v.name) + "=";
    if (v.type == reg::REG_SZ && fitsQuotedForm(v.data)) {
        return line + quoted(v.data.substr(0, v.data.size() - 1)) + "\r\n";
    }
    if (v.type == reg::REG_DWORD && v.data.size() == 4) {
        std::uint32_t n = 0;
        for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(v.data[static_cast<std::size_t>(i)]);
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", n);
        return line + buf + "\r\n";
    }
    if (v.type == reg::REG_BINARY) {
        line += "hex:";
    } else {
        char buf[24];
        std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
        line += buf;
    }
    std::string out;
    appendHex(&line, v.data, &out);
    return out + line + "\r\n";
}

// --- reading ---

// The file's text in UTF-8, or nullopt for broken UTF-16.
std::optional<std::string> decodeText(std::string_view bytes) {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return std::string(bytes.substr(3));
    if (bytes.size() < 2 || bytes.substr(0, 2) != "\xFF\xFE") return std::string(bytes);
    if (bytes.size() % 2 != 0) return std::nullopt;
    std::string out;
    for (std::size_t i = 2; i < bytes.size(); i += 2) {
        char32_t unit = static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 3 >= bytes.size()) return std::nullopt;
            const char32_t low =
                static_cast<unsigned char>(bytes[i + 2]) | (static_cast<unsigned char>(bytes[i + 3]) << 8);
            if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return std::nullopt;
        }
        reg::appendUtf8(unit, &out);
    }
    return out;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
    }
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a quoted string at the start of `s`; leaves `s` after the closing quote.
bool readQuoted(std::string_view* s, std::string* out, std::string* error) {
    if (s->empty() || s->front() != '"') {
        *error = "a quoted name or text was expected";
        return false;
    }
    out->clear();
    for (std::size_t i = 1; i < s->size(); ++i) {
        const char c = (*s)[i];
        if (c == '"') {
            s->remove_prefix(i + 1);
            return true;
        }
        if (c == '\\') {
            if (i + 1 >= s->size() || ((*s)[i + 1] != '\\' && (*s)[i + 1] != '"')) {
                *error = "only \\\\ and \\\" may follow a backslash in quoted text";
                return false;
            }
            ++i;
        }
        out->push_back((*s)[i]);
    }
    *error = "a closing quote is missing";
    return false;
}

bool readHexNumber(std::string_view s, std::size_t maxDigits, std::uint32_t* out) {
    if (s.empty() || s.size() > maxDigits) return false;
    *out = 0;
    for (const char c : s) {
        const int d = hexDigit(c);
        if (d < 0) return false;
        *out = (*out << 4) | static_cast<std::uint32_t>(d);
    }
    return true;
}

bool readHexBytes(std::string_view s, std::string* out) {
    out->clear();
    s = trim(s);
    if (s.empty()) return true;
    while (true) {
        const std::size_t comma = s.find(',');
        const std::string_view item = trim(s.substr(0, comma));
        std::uint32_t byte = 0;
        if (!readHexNumber(item, 2, &byte)) return false;
        out->push_back(static_cast<char>(byte));
        if (comma == std::string_view::npos) return true;
        s.remove_prefix(comma + 1);
    }
}

// Parses the part after "=" of a value line.
bool readData(std::string_view s, RegSection::Entry* entry, std::string* error) {
    s = trim(s);
    Value& v = entry->value;
    if (s == "-") {
        entry->remove = true;
        return true;
    }
    if (!s.empty() && s.front() == '"') {
        std::string text;
        if (!readQuoted(&s, &text, error)) return false;
        if (!trim(s).empty()) {
            *error = "unexpected text after the closing quote";
            return false;
        }
        v.type = reg::REG_SZ;
        v.data = text + std::string(1, '\0');
        return true;
    }
    if (startsWithNoCase(s, "dword:")) {
        std::uint32_t n = 0;
        if (!readHexNumber(s.substr(6), 8, &n)) {
            *error = "dword: needs 1 to 8 hex digits";
            return false;
        }
        v.type = reg::REG_DWORD;
        v.data = {static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
                  static_cast<char>(n >> 24)};
        return true;
    }
    if (startsWithNoCase(s, "hex")) {
        s.remove_prefix(3);
        v.type = reg::REG_BINARY;
        if (!s.empty() && s.front() == '(') {
            const std::size_t close = s.find(')');
            if (close == std::string_view::npos || !readHexNumber(s.substr(1, close - 1), 8, &v.type)) {
                *error = "hex(n): needs a hex type number";
                return false;
            }
            s.remove_prefix(close + 1);
        }
        if (s.empty() || s.front() != ':' || !readHexBytes(s.substr(1), &v.data)) {
            *error = "hex data must be two-digit hex bytes separated by commas";
            return false;
        }
        if (v.type == reg::REG_DWORD && v.data.size() != 4) {
            *error = "hex(4) data must be 4 bytes";
            return false;
        }
        return true;
    }
    *error = "the data must be \"text\", dword:, hex:, hex(n): or -";
    return false;
}

}  // namespace

std::string writeRegFile(const std::vector<RegKeyDump>& keys) {
    std::string out = std::string(kHeader) + "\r\n\r\n";
    for (const RegKeyDump& key : keys) {
        out += "[" + key.key.display() + "]\r\n";
        for (const Value& v : key.values) out += valueLine(v);
        out += "\r\n";
    }
    return out;
}

bool parseRegFile(std::string_view bytes, std::vector<RegSection>* sections, std::string* error) {
    sections->clear();
    const std::optional<std::string> text = decodeText(bytes);
    if (!text) {
        *error = "the file is not valid UTF-16 text";
        return false;
    }
    std::vector<std::string_view> lines;
    for (std::string_view rest = *text; !rest.empty();) {
        const std::size_t nl = rest.find('\n');
        lines.push_back(rest.substr(0, nl));
        rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
    }

    bool headerSeen = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::size_t lineNumber = i + 1;
        std::string line(trim(lines[i]));
        auto fail = [&](const std::string& why) {
            *error = "line " + std::to_string(lineNumber) + ": " + why;
            return false;
        };
        if (line.empty() || line.front() == ';') continue;
        if (!headerSeen) {
            if (line != kHeader && line != kOldHeader) {
                *error = "not a registry export file (the first line must be \"" + std::string(kHeader) + "\")";
                return false;
            }
            headerSeen = true;
            continue;
        }
        if (line.front() == '[') {
            if (line.back() != ']') return fail("a key line must end with ]");
            std::string_view inner = std::string_view(line).substr(1, line.size() - 2);
            RegSection section;
            if (!inner.empty() && inner.front() == '-') {
                section.remove = true;
                inner.remove_prefix(1);
            }
            const std::optional<KeyPath> key = parseKeyPath(inner);
            if (!key) return fail("unknown hive or malformed key \"" + std::string(inner) + "\"");
            if (section.remove && key->subKey.empty()) return fail("a hive cannot be deleted");
            section.key = *key;
            sections->push_back(std::move(section));
            continue;
        }
        // A value line; hex data may go on over lines ending with "\".
        while (line.back() == '\\' && i + 1 < lines.size()) {
            line.pop_back();
            line += trim(lines[++i]);
        }
        if (sections->empty()) return fail("a value before the first [key] line");
        RegSection::Entry entry;
        std::string_view rest = line;
        if (rest.front() == '@') {
            rest.remove_prefix(1);
        } else {
            std::string why;
            if (!readQuoted(&rest, &entry.value.name, &why)) return fail(why);
        }
        rest = trim(rest);
        if (rest.empty() || rest.front() != '=') return fail("= is missing after the value name");
        std::string why;
        if (!readData(rest.substr(1), &entry, &why)) return fail(why);
        // Values under a deleted key are ignored, as the key is gone.
        if (!sections->back().remove) sections->back().entries.push_back(std::move(entry));
    }
    if (!headerSeen) {
        *error = "not a registry export file (it is empty)";
        return false;
    }
    return true;
}

}  // namespace ossivant::regtool
