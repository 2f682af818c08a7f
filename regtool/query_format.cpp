#include "regtool/query_format.h"

#include <cstdio>

namespace ossivant::regtool {
namespace {

std::uint64_t littleEndian(const std::string& data) {
    std::uint64_t n = 0;
    for (std::size_t i = data.size(); i-- > 0;) n = (n << 8) | static_cast<unsigned char>(data[i]);
    return n;
}

std::string hexNumber(std::uint64_t n) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(n));
    return buf;
}

std::string hexBytes(const std::string& data) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (const char c : data) {
        const auto b = static_cast<unsigned char>(c);
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 0x0F]);
    }
    return out;
}

}  // namespace

std::string typeName(std::uint32_t type) {
    switch (type) {
    case 0: return "REG_NONE";
    case 1: return "REG_SZ";
    case 2: return "REG_EXPAND_SZ";
    case 3: return "REG_BINARY";
    case 4: return "REG_DWORD";
    case 5: return "REG_DWORD_BIG_ENDIAN";
    case 6: return "REG_LINK";
    case 7: return "REG_MULTI_SZ";
    case 11: return "REG_QWORD";
    default: return hexNumber(type);
    }
}

std::string queryLine(const Value& value) {
    std::string data;
    switch (value.type) {
    case 1:
    case 2:
        data = value.data.substr(0, value.data.find('\0'));
        break;
    case 7: {  // strings separated by NUL, shown joined by "\0"
        std::string rest = value.data;
        while (!rest.empty() && rest.back() == '\0') rest.pop_back();
        for (std::size_t at; (at = rest.find('\0')) != std::string::npos;) rest.replace(at, 1, "\\0");
        data = rest;
        break;
    }
    case 4:
    case 11:
        data = value.data.size() == (value.type == 4 ? 4u : 8u) ? hexNumber(littleEndian(value.data))
                                                               : hexBytes(value.data);
        break;
    default:
        data = hexBytes(value.data);
    }
    return "    " + (value.name.empty() ? std::string("(Default)") : value.name) + "    " + typeName(value.type) +
           "    " + data;
}

}  // namespace ossivant::regtool
