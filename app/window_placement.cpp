#include "app/window_placement.h"

#include <utility>

namespace {

const int kMaxMonitors = 16;

LONGLONG Overlap(const RECT& a, const RECT& b)
{
    RECT both;
    return IntersectRect(&both, &a, &b) ? LONGLONG{both.right - both.left} * (both.bottom - both.top) : 0;
}

// How far a coordinate lies outside [first, last): 0 inside.
double Outside(LONG at, LONG first, LONG last)
{
    return at < first ? double(first) - at : at >= last ? double(at) - last + 1 : 0;
}

// The squared distance from a point to a rectangle, 0 inside it: in double, as the squares of
// differences across the whole range of coordinates overflow 64 bits.
double Distance(POINT point, const RECT& rect)
{
    const double dx = Outside(point.x, rect.left, rect.right);
    const double dy = Outside(point.y, rect.top, rect.bottom);
    return dx * dx + dy * dy;
}

// The low edge of [low, low + length) pulled into [first, last): the low edge wins.
LONG Pull(LONG low, LONG length, LONG first, LONG last)
{
    return low < first ? first : LONGLONG{low} + length > last ? last - length : low;
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
    const POINT centre = {static_cast<LONG>((LONGLONG{window.left} + window.right) / 2),
                          static_cast<LONG>((LONGLONG{window.top} + window.bottom) / 2)};
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
    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    const LONG left = Pull(window.left, width, work.left, work.right);
    const LONG top = Pull(window.top, height, work.top, work.bottom);
    return RECT{left, top, left + width, top + height};
}

RECT PlaceOnMonitors(RECT window)
{
    MonitorArea monitors[kMaxMonitors];
    std::pair<MonitorArea*, int> found(monitors, 0);
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&found));
    return PlaceOnMonitors(window, monitors, found.second);
}
