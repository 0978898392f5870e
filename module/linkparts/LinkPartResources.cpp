#include "linkparts/LinkPartResources.h"

namespace {

using namespace platform::style;

platform::DialogTemplate selectionDialog()
{
    platform::DialogTemplate dialog;
    dialog.caption = L"リンク部品の設定";
    dialog.fontName = L"ＭＳ Ｐゴシック";
    dialog.fontPoints = 9;
    dialog.width = 242;
    dialog.height = 221;
    dialog.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    const std::uint32_t button = BS_PUSHBUTTON | WS_VISIBLE | WS_TABSTOP;
    // In tab order; the OK button deliberately lacks the default-button style.
    dialog.controls = {
        {-1, L"BUTTON", L"リンク部品の設定リスト", 7, 29, 228, 164, BS_GROUPBOX | WS_VISIBLE | WS_GROUP},
        {IDC_LINKPART_LIST, L"LISTBOX", L"", 14, 40, 127, 141,
         WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_OWNERDRAWFIXED |
             LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | LBS_EXTENDEDSEL},
        {IDC_SELECT_ALL, L"BUTTON", L"すべて選択(&A)", 149, 45, 79, 14, button},
        {IDC_CLEAR_ALL, L"BUTTON", L"すべての設定を外す(&D)", 149, 64, 78, 14, button},
        {IDOK, L"BUTTON", L"OK", 76, 200, 50, 14, button},
        {IDCANCEL, L"BUTTON", L"キャンセル", 131, 200, 50, 14, button},
        {ID_HELP, L"BUTTON", L"ヘルプ", 185, 200, 50, 14, button},
        {-1, L"STATIC",
         L"チェックされているリンク部品が現在のページに設定されます。\nチェックを外すと設定が解除されます。", 14, 8,
         221, 18, SS_LEFT | WS_VISIBLE | WS_GROUP},
    };
    return dialog;
}

platform::ResourceTable makeTable()
{
    platform::ResourceTable table;
    table.dialogs.emplace(IDD_LINKPART_SELECT, selectionDialog());
    table.strings.emplace(IDS_LINK_TO_CATEGORY, L"「%s」へのリンク");
    table.strings.emplace(IDS_LINK_TO_CALENDAR_DIARY, L"カレンダー型「日記」へのリンク");
    return table;
}

} // namespace

const platform::ResourceTable& linkPartResources()
{
    static const platform::ResourceTable table = makeTable();
    return table;
}
