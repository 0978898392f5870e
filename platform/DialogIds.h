#pragma once

namespace platform {

// Command ids every dialog understands.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int ID_HELP = 57670;

// What a control tells its dialog.
enum class Notification {
    Clicked,     // a button was pressed
    SelChange,   // a list's current item moved
    CheckChange, // a check list item's check state was changed by the user
};

} // namespace platform
