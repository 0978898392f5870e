#pragma once
#include <string>

namespace platform {

// Reads a decimal integer the way the runtime's wide conversion does: leading white space (that of
// the C locale, whatever locale is set) is skipped, an optional sign is taken, then digits up to the
// first non-digit. Returns 0 when there are no digits; saturates at INT_MIN / INT_MAX on overflow.
int wtoi(const std::wstring& text);
int wtoi(const wchar_t* text);

} // namespace platform
