#include "host/CZebDllFunctionEngineer.h"

#include <gtest/gtest.h>

#include <memory>

#include "host/CZebCalendarGenerator.h"

namespace {

TEST(CZebDllFunctionEngineerTest, OnlyTheCalendarGeneratorIsKnown)
{
    CZebDllFunctionEngineer* engineer = CZebDllFunctionEngineer::getInstance();
    ASSERT_NE(engineer, nullptr);
    for (int number : {0, 1, 40247, 40249, -40248})
        EXPECT_EQ(engineer->GetFunctionAddr(number), nullptr) << number;

    const auto factory = reinterpret_cast<ZebCalendarGeneratorFactory>(engineer->GetFunctionAddr(40248));
    ASSERT_NE(factory, nullptr);
    std::unique_ptr<CZebCalendarGenerator> first(factory());
    std::unique_ptr<CZebCalendarGenerator> second(factory());
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first.get(), second.get()) << "a new generator per call";
}

} // namespace
