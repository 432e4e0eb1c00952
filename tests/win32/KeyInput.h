// A key press or release as the keyboard sends it, for the tests and the window tool alike.
#pragma once

#include <windows.h>

namespace autorun::win32::test {

inline INPUT KeyInput(WORD key, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    // The arrows are extended keys; without the flag they arrive as the numeric keypad's.
    const bool extended = key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN;
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
    return input;
}

} // namespace autorun::win32::test
