#pragma once

#include <string>

#include "tests/support/temp_dir.h"

namespace ossivant::test {

// A registry file of its own for one test, in a temporary folder that is
// removed at the end. The file itself is created by the first Registry
// opened on path().
class TempRegistry {
public:
    const std::string& path() const { return path_; }
    const TempDir& dir() const { return dir_; }

private:
    TempDir dir_;
    std::string path_ = dir_.file("registry.db");
};

}  // namespace ossivant::test
