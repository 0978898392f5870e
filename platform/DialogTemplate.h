#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Window and control style bits of a dialog template (the values of the desktop class library).
namespace style {
inline constexpr std::uint32_t WS_POPUP = 0x80000000u;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000u;
inline constexpr std::uint32_t WS_CAPTION = 0x00C00000u;
inline constexpr std::uint32_t WS_BORDER = 0x00800000u;
inline constexpr std::uint32_t WS_SYSMENU = 0x00080000u;
inline constexpr std::uint32_t WS_VSCROLL = 0x00200000u;
inline constexpr std::uint32_t WS_HSCROLL = 0x00100000u;
inline constexpr std::uint32_t WS_GROUP = 0x00020000u;
inline constexpr std::uint32_t WS_TABSTOP = 0x00010000u;
inline constexpr std::uint32_t DS_MODALFRAME = 0x80u;
inline constexpr std::uint32_t DS_SETFONT = 0x40u;
inline constexpr std::uint32_t BS_PUSHBUTTON = 0x0u;
inline constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x1u;
inline constexpr std::uint32_t BS_GROUPBOX = 0x7u;
inline constexpr std::uint32_t SS_LEFT = 0x0u;
inline constexpr std::uint32_t LBS_NOTIFY = 0x1u;
inline constexpr std::uint32_t LBS_OWNERDRAWFIXED = 0x10u;
inline constexpr std::uint32_t LBS_HASSTRINGS = 0x40u;
inline constexpr std::uint32_t LBS_NOINTEGRALHEIGHT = 0x100u;
inline constexpr std::uint32_t LBS_EXTENDEDSEL = 0x800u;
} // namespace style

// One control of a dialog template; positions and sizes are in dialog units.
struct ControlTemplate {
    int id;                 // -1 for a control without an id (static text, group box)
    std::wstring className; // L"BUTTON", L"LISTBOX", L"STATIC"
    std::wstring text;
    int x, y, width, height;
    std::uint32_t style;
};

// A dialog template as a resource: caption, font, size in dialog units, and its controls.
struct DialogTemplate {
    std::wstring caption;
    std::wstring fontName;
    int fontPoints;
    int width, height;
    std::uint32_t style;
    std::vector<ControlTemplate> controls;
};

} // namespace platform
