#pragma once
#include "platform/ResourceChain.h"

// Numbers of the module's resources and of the controls of its selection dialog.
inline constexpr int IDD_LINKPART_SELECT = 14630;
inline constexpr int IDC_LINKPART_LIST = 6042;
inline constexpr int IDC_SELECT_ALL = 6043;
inline constexpr int IDC_CLEAR_ALL = 6044;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int ID_HELP = 57670;
inline constexpr int IDS_LINK_TO_CATEGORY = 14631;
inline constexpr int IDS_LINK_TO_CALENDAR_DIARY = 14632;

// The module's resource table: the selection dialog's template and the item texts. Never fails;
// the table lives as long as the module is loaded.
const platform::ResourceTable& linkPartResources();
