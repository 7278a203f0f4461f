// The last-resort handler of an entry point: what escapes is reported as one line in the
// category "korvel", naming the handler, and goes no further; under the tests a report
// nobody expected fails the test.
#include "platform/lastresort.h"
#include "tests/support/escapes.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using namespace korvel;

TEST(LastResort, ReportsWhatEscapedWithTheHandlersNameAndGoesOn) {
    korvel::testing::ExpectedEscapes expected;
    bool ran = false;
    EXPECT_TRUE(platform::RunGuarded("Timer_Connect_Timer", [&] { ran = true; }));
    EXPECT_TRUE(ran);
    EXPECT_TRUE(expected.Lines().isEmpty());

    EXPECT_FALSE(platform::RunGuarded("Winsock_ActiveXClient_DataArrival",
                                      [] { (void)std::vector<int>{}.at(3); }));
    EXPECT_FALSE(platform::RunGuarded("ListView_Receivers_DblClick", [] { throw 42; }));
    const QStringList lines = expected.Lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("Winsock_ActiveXClient_DataArrival: ")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains("out_of_range")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith("ListView_Receivers_DblClick: ")) << lines[1].toStdString();
}

TEST(LastResort, AReportNobodyExpectedFailsTheTest) {
    EXPECT_NONFATAL_FAILURE(platform::RunGuarded("Command_Save_Click", [] { throw std::logic_error("empty call"); }),
                            "Command_Save_Click: ");
}
