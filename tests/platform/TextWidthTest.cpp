#include <gtest/gtest.h>

#include "platform/TextWidth.h"

using namespace platform;

TEST(TextWidthTest, CellsOfCharacters)
{
    EXPECT_EQ(1, charCells(L'A'));
    EXPECT_EQ(2, charCells(L'あ'));
    EXPECT_EQ(2, charCells(L'漢'));
    EXPECT_EQ(2, charCells(L'「'));
    EXPECT_EQ(2, charCells(L'Ｍ')); // full-width Latin
    EXPECT_EQ(1, charCells(L'ｱ'));  // half-width katakana
    EXPECT_EQ(0, charCells(L'\u0301'));
    EXPECT_EQ(0, charCells(L'\n'));
    EXPECT_EQ(0, charCells(L'\u0E31'));     // Thai vowel sign, missing from the old hand-made table
    EXPECT_EQ(2, charCells(L'\U0001F680')); // emoji outside the blocks the old table listed
    EXPECT_EQ(2 * 15, textCells(L"カレンダー型「日記」へのリンク"));
}

TEST(TextWidthTest, SlicingNeverExceedsTheWindow)
{
    struct Case {
        const wchar_t* text;
        int skip, width;
        const wchar_t* expected;
    } cases[] = {
        {L"abcdef", 0, 3, L"abc"},  {L"abcdef", 2, 3, L"cde"},
        {L"日本語", 0, 4, L"日本"}, {L"日本語", 0, 3, L"日 "}, // the second character would stick out
        {L"日本語", 1, 4, L" 本 "},                            // cut on both edges
        {L"日本語", 6, 4, L""},     {L"ab", 0, 0, L""},
    };
    for (const Case& c : cases) {
        const std::wstring got = sliceCells(c.text, c.skip, c.width);
        EXPECT_EQ(std::wstring(c.expected), got) << c.skip << "," << c.width;
        EXPECT_LE(textCells(got), c.width);
    }
}

TEST(TextWidthTest, WrappingBreaksAtLineFeedsAndWidth)
{
    const auto lines = wrapCells(L"あいうえお\nかき", 4);
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ(L"あい", lines[0]);
    EXPECT_EQ(L"うえ", lines[1]);
    EXPECT_EQ(L"お", lines[2]);
    EXPECT_EQ(L"かき", lines[3]);
    // A character wider than the width still gets a line of its own rather than a loop.
    EXPECT_EQ(2u, wrapCells(L"日本", 1).size());
}
