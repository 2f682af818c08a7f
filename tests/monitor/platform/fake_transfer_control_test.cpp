#include "tests/support/fake_transfer_control.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include "tests/support/core_app.h"

namespace ossivant {
namespace {

// The engine's tests lean on the fake behaving like the real control in the
// points the engine relies on; these are those points.
TEST(FakeTransferControlTest, FollowsTheControlsRequestLife) {
    test::coreApplication();
    test::FakeTransferControl inet;
    QSignalSpy spy(&inet, &TransferControl::StateChanged);

    inet.setRequestTimeout(7);
    ASSERT_TRUE(inet.Execute(QStringLiteral("http://a.example"), QStringLiteral("GET")));
    EXPECT_TRUE(inet.StillExecuting());
    EXPECT_FALSE(inet.Execute(QStringLiteral("http://b.example"), QStringLiteral("GET")));
    ASSERT_EQ(inet.calls.size(), 2);
    EXPECT_EQ(inet.calls[0].requestTimeout, 7);
    EXPECT_EQ(inet.URL(), QStringLiteral("http://a.example"));

    inet.signalState(transfer_state::ReceivingResponse);
    EXPECT_TRUE(inet.StillExecuting());
    inet.respond(QStringLiteral("HTTP/1.1 200 OK"));
    EXPECT_FALSE(inet.StillExecuting());
    EXPECT_EQ(inet.GetHeader(), QStringLiteral("HTTP/1.1 200 OK"));
    ASSERT_EQ(spy.size(), 2);
    EXPECT_EQ(spy.at(1).at(0).toInt(), transfer_state::ResponseCompleted);

    ASSERT_TRUE(inet.Execute(QStringLiteral("http://a.example"), QStringLiteral("GET")));
    EXPECT_EQ(inet.GetHeader(), QString()) << "a new request forgets the last header";
    inet.fail(12, QStringLiteral("Timeout"));
    EXPECT_FALSE(inet.StillExecuting());
    EXPECT_EQ(inet.ResponseCode(), 12);
    EXPECT_EQ(inet.ResponseInfo(), QStringLiteral("Timeout"));

    ASSERT_TRUE(inet.Execute(QStringLiteral("http://a.example"), QStringLiteral("GET")));
    inet.Cancel();
    EXPECT_FALSE(inet.StillExecuting());
    EXPECT_EQ(inet.cancelCount, 1);
}

}  // namespace
}  // namespace ossivant
