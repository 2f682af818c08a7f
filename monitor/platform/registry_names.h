#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ossivant::reg {

// Longest key name (one path component) and value name the registry accepts.
constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kMaxValueNameLength = 16383;

// The form under which names are compared and ordered: each character of a
// UTF-8 name mapped to its upper case, one character for one (as the
// registry compares names). Bytes that are not valid UTF-8 are kept, with
// only ASCII letters raised, so distinct names never fold together by
// accident of decoding.
std::string foldName(std::string_view name);

// Splits a key path written with "\" between names. An empty path gives no
// names; one trailing "\" is ignored. Returns false for a leading "\", an
// empty name between two separators or a name longer than kMaxKeyNameLength.
bool splitKeyPath(std::string_view path, std::vector<std::string>* names);

}  // namespace ossivant::reg
