#include "tests/mailer/net/net_test_support.h"

#include "tests/support/fake_smtp_server.h"

namespace quorvane3::testing {

std::uint16_t ClosedPort() {
    testsupport::FakeSmtpServer bound;  // never started: its port closes with it
    return bound.Port();
}

}  // namespace quorvane3::testing
