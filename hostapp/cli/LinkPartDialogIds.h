#pragma once

// Numbers in the module's resources that the host's scripts and reports refer to: the buttons of
// the link-part dialog and its item texts.
inline constexpr int kSelectAllButton = 6043;
inline constexpr int kClearAllButton = 6044;
inline constexpr int kCategoryItemFormat = 14631; // "「%s」へのリンク"
inline constexpr int kCalendarItemText = 14632;   // the item of the second category
