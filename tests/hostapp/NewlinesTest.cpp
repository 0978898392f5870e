#include "Newlines.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using testsupport::U;

namespace {

TEST(NewlinesTest, ChangesTellsWhetherApplyWouldChangeTheText)
{
    const std::wstring texts[] = {L"", L"a", L"a\nb", L"a\r\nb", L"a\rb", L"a\r\nb\nc", L"a\r", L"\r\n\r\n", L"\n\r"};
    for (const std::wstring& text : texts)
        for (Newline newline : {Newline::Keep, Newline::Lf, Newline::CrLf, Newline::Cr})
            EXPECT_EQ(Newlines::changes(text, newline), Newlines::apply(text, newline) != text)
                << U(text) << " " << static_cast<int>(newline);
}

TEST(NewlinesTest, Conventions)
{
    const std::pair<std::wstring, Newline> detected[] = {
        {L"a\r\nb\r\n", Newline::CrLf}, {L"a\nb\n", Newline::Lf},      {L"a\rb", Newline::Cr},
        {L"a\r\nb\n", Newline::Keep},   {L"no breaks", Newline::Keep}, {L"", Newline::Keep},
    };
    for (const auto& [text, newline] : detected)
        EXPECT_EQ(Newlines::detect(text), newline) << U(text);

    const std::wstring mixed = L"a\r\nb\nc\rd";
    EXPECT_EQ(Newlines::apply(mixed, Newline::Lf), L"a\nb\nc\nd");
    EXPECT_EQ(Newlines::apply(mixed, Newline::CrLf), L"a\r\nb\r\nc\r\nd");
    EXPECT_EQ(Newlines::apply(mixed, Newline::Cr), L"a\rb\rc\rd");
    EXPECT_EQ(Newlines::apply(mixed, Newline::Keep), mixed);
}

} // namespace
