// The main window's layout rules in twips, and the window that applies them.
#include "monitor/ui/list_rules.h"

#include <gtest/gtest.h>

#include <QTreeWidget>

#include "tests/monitor/ui/monitor_fixture.h"

namespace ossivant::test {
namespace {

struct LayoutRow {
    const char* label;
    int width, height;
    MainLayout expected;
};

TEST(MainLayoutTest, FollowsTheTwipsRules) {
    const LayoutRow rows[] = {
        // C = integer part of (W - 100) x 0.3; the address column takes the rest.
        {"Wide", 15000, 7500, {12900, 14990, 14900, 6000, {300, 7930, 1500, 300, 4470}}},
        {"Narrowest", 5400, 3000, {3300, 5390, 5300, 1500, {300, 1210, 1500, 300, 1590}}},
        {"OddWidth", 7777, 1500, {5677, 7767, 7677, 0, {300, 2874, 1500, 300, 2303}}},
        {"TooLowForTheList", 9000, 1499, {6900, 8990, 8900, -1, {300, 3730, 1500, 300, 2670}}},
    };
    for (const LayoutRow& row : rows) {
        const MainLayout got = ComputeMainLayout(row.width, row.height);
        EXPECT_EQ(got.curViewLeft, row.expected.curViewLeft) << row.label;
        EXPECT_EQ(got.lineWidth, row.expected.lineWidth) << row.label;
        EXPECT_EQ(got.listWidth, row.expected.listWidth) << row.label;
        EXPECT_EQ(got.listHeight, row.expected.listHeight) << row.label;
        EXPECT_EQ(got.columns, row.expected.columns) << row.label;
    }
}

class MainWindowLayoutTest : public MonitorTest {};

TEST_F(MainWindowLayoutTest, ResizingRecomputesTheColumnsAndKeepsTheMinimumSize) {
    start();
    main().resize(1000, 600);
    const QSize client = main().centralWidget()->size();
    const MainLayout layout = ComputeMainLayout(client.width() * 15, client.height() * 15);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(list()->columnWidth(i), Pixels(layout.columns[i])) << i;
    EXPECT_EQ(list()->width(), Pixels(layout.listWidth));
    EXPECT_EQ(list()->height(), Pixels(layout.listHeight));

    main().resize(100, 100);
    EXPECT_EQ(main().size(), QSize(Pixels(5600), Pixels(4600)));
}

}  // namespace
}  // namespace ossivant::test
