#include <gtest/gtest.h>

#include <ctime>

#include "platform/Clock.h"
#include "support/TestSupport.h"

namespace {

using platform::Clock;
using namespace testsupport;

class ClockTest : public ::testing::Test {
protected:
    void TearDown() override { Clock::release(); }
};

TEST_F(ClockTest, FixedClockGivesFixedMomentAndMonth)
{
    const std::int64_t moment = localTime(2008, 11, 15);
    Clock::fix(moment);
    EXPECT_TRUE(Clock::isFixed());
    EXPECT_EQ(Clock::now(), moment);
    int year = 0, month = 0;
    ASSERT_TRUE(Clock::currentYearMonth(year, month));
    EXPECT_EQ(year, 2008);
    EXPECT_EQ(month, 11);

    Clock::release();
    EXPECT_FALSE(Clock::isFixed());
    const std::int64_t system = static_cast<std::int64_t>(std::time(nullptr));
    EXPECT_LE(std::abs(Clock::now() - system), 2);
}

TEST_F(ClockTest, LocalYearMonthAtMonthEdges)
{
    int year = 0, month = 0;
    ASSERT_TRUE(Clock::localYearMonth(localTime(2008, 12, 31, 23, 59, 59), year, month));
    EXPECT_EQ(year, 2008);
    EXPECT_EQ(month, 12);
    ASSERT_TRUE(Clock::localYearMonth(localTime(2009, 1, 1, 0, 0, 0), year, month));
    EXPECT_EQ(year, 2009);
    EXPECT_EQ(month, 1);
}

TEST_F(ClockTest, StampWrittenFileOnlyWhenFixed)
{
    TempDir dir;
    const std::string file = dir / "page.html";
    writeFile(file, "x");
    setMtime(file, 1000);
    EXPECT_TRUE(Clock::stampWrittenFile(file));
    EXPECT_EQ(mtime(file), 1000);

    const std::int64_t moment = localTime(2010, 3, 4);
    Clock::fix(moment);
    EXPECT_TRUE(Clock::stampWrittenFile(file));
    EXPECT_EQ(mtime(file), moment);
    EXPECT_FALSE(Clock::stampWrittenFile(dir / "missing.html"));
}

} // namespace
