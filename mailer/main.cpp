// quorvane3: sends the one mail of the job file named by its command line.
#include "mailer/job/command_line.h"
#include "mailer/job/sender_flow.h"
#include "mailer/job/timeout_config.h"

int main(int argc, char** argv) {
    quorvane3::SenderOptions options;
    options.timeouts = quorvane3::ReadConfiguredTimeouts();
    return quorvane3::RunSender(quorvane3::JobPathFromArguments(argc, argv), options);
}
