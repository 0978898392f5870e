#include <gtest/gtest.h>

#include "platform/CButton.h"

using namespace platform;

TEST(CButtonTest, Mnemonics)
{
    struct Case {
        const wchar_t* text;
        wchar_t mnemonic;
        const wchar_t* shown;
        int index;
    } cases[] = {
        {L"すべて選択(&A)", L'A', L"すべて選択(A)", 6},
        {L"すべての設定を外す(&D)", L'D', L"すべての設定を外す(D)", 10},
        {L"&ok", L'O', L"ok", 0},
        {L"Fish && Chips", 0, L"Fish & Chips", -1},
        {L"trailing&", 0, L"trailing", -1},
        {L"", 0, L"", -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.mnemonic, CButton::mnemonicOf(c.text)) << testing::PrintToString(std::wstring(c.text));
        EXPECT_EQ(std::wstring(c.shown), CButton::displayText(c.text));
        EXPECT_EQ(c.index, CButton::mnemonicIndex(c.text));
    }
}
