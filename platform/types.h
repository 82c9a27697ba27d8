// Basic types of the message layer: window handles, message numbers and their parameters.
#pragma once

#include <cstdint>

namespace orv {

using HWND = std::uint32_t;     // 32-bit window handle from the handle table; 0 = none
using UINT = std::uint32_t;     // message number
using WPARAM = std::uintptr_t;  // wide enough for a native pointer
using LPARAM = std::intptr_t;   // wide enough for a native pointer
using LRESULT = std::intptr_t;
using ThreadId = std::uint32_t; // small process-unique number of a platform thread; 0 = none

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_FIRST_REGISTERED = 0xC000; // registered messages are numbered from here

inline constexpr LPARAM MakeLParam(std::uint16_t low, std::uint16_t high) {
    return static_cast<LPARAM>(static_cast<std::uint32_t>(low) | (static_cast<std::uint32_t>(high) << 16));
}
inline constexpr std::uint16_t LowWord(std::uintptr_t v) { return static_cast<std::uint16_t>(v & 0xFFFF); }
inline constexpr std::uint16_t HighWord(std::uintptr_t v) { return static_cast<std::uint16_t>((v >> 16) & 0xFFFF); }

struct MSG {
    HWND hwnd = 0;        // 0 for a thread message
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::uint32_t time = 0; // tick when posted
};

} // namespace orv
