#include "app/display_scale.h"

namespace {

// Windows 10's functions, looked up so that the program still starts where they are missing.
template <typename Function>
Function User32(const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

}  // namespace

UINT DpiOf(HWND window)
{
    static const auto dpiForWindow = User32<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    if (dpiForWindow != nullptr && dpiForWindow(window) != 0) {
        return dpiForWindow(window);
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

int MetricAt(int index, UINT dpi)
{
    static const auto metricForDpi = User32<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
    return metricForDpi != nullptr ? metricForDpi(index, dpi) : GetSystemMetrics(index);
}
