#include <gtest/gtest.h>

#include <climits>
#include <clocale>

#include "platform/Wtoi.h"

namespace {

struct WtoiCase {
    const char* description;
    const wchar_t* text;
    int expected;
};

TEST(WtoiTest, ReadsLeadingIntegerLikeTheRuntime)
{
    const WtoiCase cases[] = {
        {"white space, sign, digits, then stops at a non-digit", L"  -12x", -12},
        {"explicit plus sign", L"+7", 7},
        {"tab and spaces before digits", L"\t 42", 42},
        {"no digits at all", L"abc", 0},
        {"empty text", L"", 0},
        {"sign without digits", L"-", 0},
        {"white space between sign and digits stops the number", L"- 5", 0},
        {"two signs", L"+-3", 0},
        {"leading zeros", L"007", 7},
        {"full-width digits are not digits", L"１２", 0},
        {"largest int", L"2147483647", INT_MAX},
        {"smallest int", L"-2147483648", INT_MIN},
        {"one above the largest saturates", L"2147483648", INT_MAX},
        {"one below the smallest saturates", L"-2147483649", INT_MIN},
        {"far too large saturates", L"99999999999999999999999999", INT_MAX},
        {"far too small saturates", L"-99999999999999999999999999", INT_MIN},
        {"line feed counts as white space", L"\n9", 9},
        {"vertical tab, form feed and carriage return count as white space", L"\v\f\r8", 8},
        {"ideographic space is no white space, whatever the locale", L"\u30002", 0},
        {"no-break space is no white space", L"\u00a03", 0},
    };
    // The same in the C locale and in a UTF-8 locale (as the terminal dialog sets it).
    for (const char* locale : {"C", "C.UTF-8"}) {
        const std::string saved = std::setlocale(LC_ALL, nullptr);
        std::setlocale(LC_ALL, locale);
        for (const auto& c : cases) {
            EXPECT_EQ(platform::wtoi(c.text), c.expected) << c.description << " (" << locale << ")";
            EXPECT_EQ(platform::wtoi(std::wstring(c.text)), c.expected) << c.description;
        }
        std::setlocale(LC_ALL, saved.c_str());
    }
}

TEST(WtoiTest, NullPointerGivesZero)
{
    EXPECT_EQ(platform::wtoi(static_cast<const wchar_t*>(nullptr)), 0);
}

} // namespace
