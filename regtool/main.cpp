// ossivant-reg: the operator's tool for the registry file the programs share.
#include <iostream>
#include <string>
#include <vector>

#include "monitor/platform/registry.h"
#include "regtool/commands.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return ossivant::regtool::runRegTool(args, ossivant::reg::Registry::defaultPath(), std::cout, std::cerr,
                                         std::cin);
}
