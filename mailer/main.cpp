// quorvane3: sends the one mail of the job file named by its command line.
#include <filesystem>
#include <system_error>

#include "cli/standard_options.h"
#include "mailer/job/command_line.h"
#include "mailer/job/sender_flow.h"
#include "mailer/job/timeout_config.h"

namespace {

constexpr ossivant::cli::ProgramText kProgram{
    "quorvane3", "quorvane3 JOBFILE",
    "Sends the one mail of a mail job file to its SMTP server and ends; the outcome\n"
    "is a line in the send log the job names. The arguments joined by blanks are\n"
    "the job path. --help and --version are answered only when no file of that\n"
    "name exists.\n"};

// The command line is a job path first: a job file may be named "--help".
bool NamesAFile(const char* path) {
    std::error_code error;
    return std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::not_found;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && !NamesAFile(argv[1]) && ossivant::cli::AnswerStandardOption(kProgram, argc, argv))
        return 0;
    quorvane3::SenderOptions options;
    options.timeouts = quorvane3::ReadConfiguredTimeouts();
    return quorvane3::RunSender(quorvane3::JobPathFromArguments(argc, argv), options);
}
