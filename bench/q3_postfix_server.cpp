// The tests' private Postfix (tests/e2e/postfix_server.h) for the send
// benchmark: starts it, prints one line
//   READY <submission port> <wrapper port> <plain port> <authority file> <delivery folder>
// (or "ERROR <what went wrong>" and exit status 1), and keeps it running
// until its standard input closes; then stops it.
#include <unistd.h>

#include <cstdio>

#include "tests/e2e/postfix_server.h"

int main() {
    e2e::PostfixServer server;
    if (!server.Error().empty()) {
        std::printf("ERROR %s\n", server.Error().c_str());
        return 1;
    }
    std::printf("READY %u %u %u %s %s\n", server.submissionPort, server.wrapperPort,
                server.plainPort, server.AuthorityFile().c_str(), server.DeliveryFolder().c_str());
    std::fflush(stdout);
    char chunk[256];
    while (::read(STDIN_FILENO, chunk, sizeof chunk) > 0) {
    }
    return 0;
}
