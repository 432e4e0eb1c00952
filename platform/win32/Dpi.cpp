#include "platform/win32/Dpi.h"

namespace autorun::win32 {
namespace {

template <class Function>
Function UserFunction(const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

} // namespace

int SystemDpi()
{
    static const int dpi = [] {
        using GetDpiForSystemFn = UINT(WINAPI*)();
        if (const auto forSystem = UserFunction<GetDpiForSystemFn>("GetDpiForSystem"))
            return static_cast<int>(forSystem());
        const HDC screen = GetDC(nullptr);
        const int logical = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
        return logical > 0 ? logical : 96;
    }();
    return dpi;
}

int WindowDpi(HWND window)
{
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto forWindow = UserFunction<GetDpiForWindowFn>("GetDpiForWindow");
    const int dpi = forWindow != nullptr ? static_cast<int>(forWindow(window)) : 0;
    return dpi > 0 ? dpi : SystemDpi();
}

void AdjustForFrame(RECT& rect, DWORD style, DWORD exStyle, int dpi)
{
    using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = UserFunction<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    if (adjustForDpi == nullptr || !adjustForDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi)))
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

int MetricAt(int index, int dpi)
{
    using MetricsForDpiFn = int(WINAPI*)(int, UINT);
    static const auto forDpi = UserFunction<MetricsForDpiFn>("GetSystemMetricsForDpi");
    if (forDpi != nullptr)
        return forDpi(index, static_cast<UINT>(dpi));
    return MulDiv(GetSystemMetrics(index), dpi, SystemDpi());
}

} // namespace autorun::win32
