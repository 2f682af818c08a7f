#include "cli/standard_options.h"

#include <cstdio>

namespace ossivant::cli {

StandardOption AskedOption(int argc, const char* const* argv) {
    if (argc != 2) return StandardOption::None;
    const std::string_view argument = argv[1];
    if (argument == "--help") return StandardOption::Help;
    if (argument == "--version") return StandardOption::Version;
    return StandardOption::None;
}

std::string UsageLine(const ProgramText& program) {
    return "usage: " + std::string(program.usage) + "\n";
}

std::string HelpText(const ProgramText& program) {
    return UsageLine(program) + std::string(program.description);
}

std::string VersionText(std::string_view name) {
    return std::string(name) + " " OSSIVANT_VERSION "\n";
}

bool IsOption(std::string_view argument) {
    return argument.size() > 1 && argument[0] == '-';
}

bool AnswerStandardOption(const ProgramText& program, int argc, const char* const* argv) {
    std::string text;
    switch (AskedOption(argc, argv)) {
        case StandardOption::None: return false;
        case StandardOption::Help: text = HelpText(program); break;
        case StandardOption::Version: text = VersionText(program.name); break;
    }
    std::fputs(text.c_str(), stdout);
    return true;
}

int UsageError(const ProgramText& program) {
    std::fputs(UsageLine(program).c_str(), stderr);
    return 2;
}

}  // namespace ossivant::cli
