#pragma once

#include <string>
#include <string_view>

namespace ossivant::cli {

// What a program says of itself on --help.
struct ProgramText {
    std::string_view name;         // "ossivant"
    std::string_view usage;        // the command line after "usage: ", without the newline
    std::string_view description;  // the lines after the usage line, each ending in a newline
};

// "--help" and "--version" are answered only when they are the whole command
// line, so that they never change the meaning of a longer one.
enum class StandardOption { None, Help, Version };
StandardOption AskedOption(int argc, const char* const* argv);

std::string HelpText(const ProgramText& program);
std::string UsageLine(const ProgramText& program);
// "NAME VERSION": the project's version, the same for every program.
std::string VersionText(std::string_view name);

// An argument of the form "-x" or "--x"; a lone "-" is not one.
bool IsOption(std::string_view argument);

// Prints the answer to --help or --version on standard output; false when
// the command line asks neither.
bool AnswerStandardOption(const ProgramText& program, int argc, const char* const* argv);
// Prints the usage line on standard error and gives exit status 2.
int UsageError(const ProgramText& program);

}  // namespace ossivant::cli
