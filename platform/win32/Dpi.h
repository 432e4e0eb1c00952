// Screen density on every Windows the program runs on: the per-window functions of Windows 10 where
// they exist, the system's one density before that (Vista to 8.1), looked up at run time.
#pragma once

#include <windows.h>

namespace autorun::win32 {

// The density the system started the program at: the one its windows are created at.
int SystemDpi();
// The density of the monitor the window is on.
int WindowDpi(HWND window);
// Widens a client rectangle to the window's outer rectangle with the frame drawn at dpi.
void AdjustForFrame(RECT& rect, DWORD style, DWORD exStyle, int dpi);
// A system metric (SM_CXICON, ...) at dpi.
int MetricAt(int index, int dpi);

} // namespace autorun::win32
