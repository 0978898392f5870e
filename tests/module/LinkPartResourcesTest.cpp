#include <gtest/gtest.h>

#include <iterator>

#include "linkparts/LinkPartResources.h"
#include "platform/DialogTemplate.h"

TEST(LinkPartResourcesTest, SelectionDialogTemplate)
{
    using namespace platform::style;
    const platform::DialogTemplate& dialog = linkPartResources().dialogs.at(IDD_LINKPART_SELECT);
    EXPECT_EQ(dialog.caption, L"リンク部品の設定");
    EXPECT_EQ(dialog.fontName, L"ＭＳ Ｐゴシック");
    EXPECT_EQ(dialog.fontPoints, 9);
    EXPECT_EQ(dialog.width, 242);
    EXPECT_EQ(dialog.height, 221);
    EXPECT_EQ(dialog.style, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT);

    struct Expected {
        int id;
        const wchar_t* className;
        const wchar_t* text;
        int x, y, width, height;
    };
    const Expected expected[] = {
        {-1, L"BUTTON", L"リンク部品の設定リスト", 7, 29, 228, 164},
        {IDC_LINKPART_LIST, L"LISTBOX", L"", 14, 40, 127, 141},
        {IDC_SELECT_ALL, L"BUTTON", L"すべて選択(&A)", 149, 45, 79, 14},
        {IDC_CLEAR_ALL, L"BUTTON", L"すべての設定を外す(&D)", 149, 64, 78, 14},
        {IDOK, L"BUTTON", L"OK", 76, 200, 50, 14},
        {IDCANCEL, L"BUTTON", L"キャンセル", 131, 200, 50, 14},
        {ID_HELP, L"BUTTON", L"ヘルプ", 185, 200, 50, 14},
        {-1, L"STATIC",
         L"チェックされているリンク部品が現在のページに設定されます。\nチェックを外すと設定が解除されます。", 14, 8,
         221, 18},
    };
    ASSERT_EQ(dialog.controls.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const auto& c = dialog.controls[i];
        const auto& e = expected[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(c.id, e.id);
        EXPECT_EQ(c.className, e.className);
        EXPECT_EQ(c.text, e.text);
        EXPECT_EQ((std::vector<int>{c.x, c.y, c.width, c.height}), (std::vector<int>{e.x, e.y, e.width, e.height}));
        EXPECT_TRUE(c.style & WS_VISIBLE);
    }
    const auto& list = dialog.controls[1].style;
    EXPECT_EQ(list & (WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_OWNERDRAWFIXED |
                      LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | LBS_EXTENDEDSEL),
              WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS |
                  LBS_NOINTEGRALHEIGHT | LBS_EXTENDEDSEL);
    for (std::size_t i = 2; i <= 6; ++i) {
        EXPECT_TRUE(dialog.controls[i].style & WS_TABSTOP) << i;
        EXPECT_EQ(dialog.controls[i].style & 0xF, BS_PUSHBUTTON) << i << ": no default-button style";
    }
    EXPECT_EQ(dialog.controls[0].style & 0xF, BS_GROUPBOX);
    EXPECT_TRUE(dialog.controls[0].style & WS_GROUP);
    EXPECT_TRUE(dialog.controls[7].style & WS_GROUP);
}
