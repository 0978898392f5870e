#pragma once
#include <memory>
#include <string>
#include <vector>

#include "host/CZebCheckListBox.h"
#include "linkparts/CZebCMData.h"
#include "platform/CButton.h"
#include "platform/CDialog.h"

// The modal dialog "リンク部品の設定": one item per link part the site offers, checked when the
// open page carries it. OK makes the page carry exactly the checked link parts.
class CZebCMSelectDlg : public platform::CDialog {
public:
    // The dialog on its template; scans the open page (an empty registry when no page is open).
    explicit CZebCMSelectDlg(platform::CWnd* parent = nullptr);
    ~CZebCMSelectDlg() override;

    // Lists the categories (the fourth never, the second as the calendar item) with the page's
    // checks; an empty list when the site has no categories.
    void fillList();
    // The category names of the checked items (exactly checked, not indeterminate), in list
    // order; empty when none is checked.
    void getCheckedNames(std::vector<std::wstring>& out);
    // Gives every item the check state.
    void setAllChecks(int state);

    platform::CButton selectAllButton;
    platform::CButton clearAllButton;
    CZebCheckListBox checkList;
    std::unique_ptr<CZebCMData> registry;

protected:
    void DoDataExchange(platform::CDataExchange* pDX) override;
    bool OnInitDialog() override;
    void OnOK() override;

    void OnListSelChange();
    void OnSelectAll();
    void OnClearAll();
};
