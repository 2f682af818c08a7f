#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "regtool/key_path.h"
#include "regtool/reg_tree.h"

namespace ossivant::regtool {

// The text format of registry export files:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\Software\Pelgrade]      a key (created on import)
//   "Name"="text"                               REG_SZ, with \\ and \" escapes
//   @="text"                                    the key's default (unnamed) value
//   "Count"=dword:0000003c                      REG_DWORD
//   "Blob"=hex:01,ff                            REG_BINARY
//   "Other"=hex(7):61,00,00,00                  any other type, by number
//   "Gone"=-                                    value deletion
//   [-HKEY_CURRENT_USER\Software\Old]           key deletion, with all below it
//
// Files are written in UTF-8 with CR LF line ends; both line ends, a UTF-8
// byte-order mark and UTF-16LE files with their mark are read. Long hex
// data is wrapped with "\" at the line end.

// One [...] section of a file.
struct RegSection {
    KeyPath key;
    bool remove = false;
    struct Entry {
        Value value;
        bool remove = false;
    };
    std::vector<Entry> entries;
};

struct RegKeyDump {
    KeyPath key;
    std::vector<Value> values;
};

std::string writeRegFile(const std::vector<RegKeyDump>& keys);

// Reads a whole file; on a fault returns false with `error` naming the line.
bool parseRegFile(std::string_view bytes, std::vector<RegSection>* sections, std::string* error);

}  // namespace ossivant::regtool
