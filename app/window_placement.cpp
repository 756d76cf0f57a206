#include "app/window_placement.h"

#include <utility>

namespace {

const int kMaxMonitors = 16;

LONGLONG Overlap(const RECT& a, const RECT& b)
{
    RECT both;
    return IntersectRect(&both, &a, &b) ? LONGLONG{both.right - both.left} * (both.bottom - both.top) : 0;
}

// The squared distance from a point to a rectangle: 0 inside it.
LONGLONG Distance(POINT point, const RECT& rect)
{
    const LONGLONG dx = point.x < rect.left     ? rect.left - point.x
                        : point.x >= rect.right ? point.x - rect.right + 1
                                                : 0;
    const LONGLONG dy = point.y < rect.top       ? rect.top - point.y
                        : point.y >= rect.bottom ? point.y - rect.bottom + 1
                                                 : 0;
    return dx * dx + dy * dy;
}

// One edge's offset that pulls [low, high) into [first, last): the low edge wins.
LONG Pull(LONG low, LONG high, LONG first, LONG last)
{
    return low < first ? first - low : high > last ? last - high : 0;
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM param)
{
    auto& found = *reinterpret_cast<std::pair<MonitorArea*, int>*>(param);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (found.second < kMaxMonitors && GetMonitorInfoW(monitor, &info)) {
        found.first[found.second++] = MonitorArea{info.rcMonitor, info.rcWork};
    }
    return TRUE;
}

}  // namespace

RECT PlaceOnMonitors(RECT window, const MonitorArea* monitors, int count)
{
    if (count <= 0) {
        return window;
    }
    const POINT centre = {window.left + (window.right - window.left) / 2,
                          window.top + (window.bottom - window.top) / 2};
    int chosen = 0;
    for (int i = 1; i < count; ++i) {
        const LONGLONG overlap = Overlap(window, monitors[i].monitor);
        const LONGLONG best = Overlap(window, monitors[chosen].monitor);
        if (overlap > best || (overlap == 0 && best == 0 &&
                               Distance(centre, monitors[i].monitor) < Distance(centre, monitors[chosen].monitor))) {
            chosen = i;
        }
    }
    const RECT& work = monitors[chosen].work;
    OffsetRect(&window, Pull(window.left, window.right, work.left, work.right),
               Pull(window.top, window.bottom, work.top, work.bottom));
    return window;
}

RECT PlaceOnMonitors(RECT window)
{
    MonitorArea monitors[kMaxMonitors];
    std::pair<MonitorArea*, int> found(monitors, 0);
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&found));
    return PlaceOnMonitors(window, monitors, found.second);
}
