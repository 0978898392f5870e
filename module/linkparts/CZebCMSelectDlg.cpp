#include "linkparts/CZebCMSelectDlg.h"

#include "linkparts/LinkPartResources.h"
#include "platform/ResourceChain.h"
#include "platform/Wtoi.h"

namespace {

// The position in the category list of the diary, whose item is the calendar's.
constexpr std::size_t kCalendarPosition = 1;
// The position in the category list that the dialog never lists.
constexpr std::size_t kUnlistedPosition = 3;

std::wstring loadString(int id)
{
    std::wstring text;
    platform::ResourceChain::loadString(id, text);
    return text;
}

// The item text of a category: the format with its "%s" replaced by the name. The name is never
// read as a format, so '%' in a name shows as itself.
std::wstring itemText(const std::wstring& format, const std::wstring& name)
{
    std::wstring text = format;
    const std::size_t at = text.find(L"%s");
    if (at != std::wstring::npos)
        text.replace(at, 2, name);
    return text;
}

} // namespace

CZebCMSelectDlg::CZebCMSelectDlg(platform::CWnd* parent)
    : platform::CDialog(IDD_LINKPART_SELECT, parent), registry(std::make_unique<CZebCMData>(true))
{
    mapMessage(IDC_LINKPART_LIST, platform::Notification::SelChange, &CZebCMSelectDlg::OnListSelChange);
    mapMessage(IDC_SELECT_ALL, platform::Notification::Clicked, &CZebCMSelectDlg::OnSelectAll);
    mapMessage(IDC_CLEAR_ALL, platform::Notification::Clicked, &CZebCMSelectDlg::OnClearAll);
}

CZebCMSelectDlg::~CZebCMSelectDlg() = default;

void CZebCMSelectDlg::DoDataExchange(platform::CDataExchange* pDX)
{
    platform::CDialog::DoDataExchange(pDX);
    platform::DDX_Control(pDX, IDC_LINKPART_LIST, checkList);
    platform::DDX_Control(pDX, IDC_SELECT_ALL, selectAllButton);
    platform::DDX_Control(pDX, IDC_CLEAR_ALL, clearAllButton);
}

bool CZebCMSelectDlg::OnInitDialog()
{
    platform::CDialog::OnInitDialog();
    fillList();
    UpdateData(false);
    return true;
}

void CZebCMSelectDlg::OnOK()
{
    std::vector<std::wstring> names;
    getCheckedNames(names);
    registry->applySelection(names);
    platform::CDialog::OnOK();
}

void CZebCMSelectDlg::fillList()
{
    std::vector<std::wstring> names;
    std::vector<std::wstring> numids;
    registry->readCategories(names, numids);
    std::vector<std::wstring> ids;
    registry->readLinkPartIds(ids);

    const std::wstring categoryFormat = loadString(IDS_LINK_TO_CATEGORY);
    const std::wstring calendarText = loadString(IDS_LINK_TO_CALENDAR_DIARY);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const int number = platform::wtoi(numids.at(i));
        if (names[i].empty() || i == kUnlistedPosition)
            continue;
        const std::wstring text = i == kCalendarPosition ? calendarText : itemText(categoryFormat, names[i]);
        const int index = checkList.AddString(text);
        checkList.SetItemData(index, static_cast<std::uintptr_t>(number));
        if (registry->hasLinkPartFor(number, ids))
            checkList.SetCheck(index, platform::CCheckListBox::Checked);
    }
    checkList.resetHorizontalExtent();
}

void CZebCMSelectDlg::getCheckedNames(std::vector<std::wstring>& out)
{
    out.clear();
    for (int i = 0; i < checkList.GetCount(); ++i) {
        if (checkList.GetCheck(i) != platform::CCheckListBox::Checked)
            continue;
        std::wstring text;
        checkList.GetText(i, text);
        // The name stands between the first "「" and the last "」": a name may itself hold "」",
        // but the text after the name ("へのリンク") never does.
        const std::size_t open = text.find(L'「');
        const std::size_t close = text.rfind(L'」');
        if (open == std::wstring::npos || close == std::wstring::npos || close <= open)
            continue;
        out.push_back(text.substr(open + 1, close - open - 1));
    }
}

void CZebCMSelectDlg::setAllChecks(int state)
{
    for (int i = 0; i < checkList.GetCount(); ++i)
        checkList.SetCheck(i, state);
    checkList.resetHorizontalExtent();
}

void CZebCMSelectDlg::OnListSelChange()
{
    UpdateData(true);
}

void CZebCMSelectDlg::OnSelectAll()
{
    setAllChecks(platform::CCheckListBox::Checked);
    UpdateData(true);
}

void CZebCMSelectDlg::OnClearAll()
{
    setAllChecks(platform::CCheckListBox::Unchecked);
    UpdateData(true);
}
