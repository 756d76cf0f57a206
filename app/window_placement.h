#ifndef VELTOCD_APP_WINDOW_PLACEMENT_H
#define VELTOCD_APP_WINDOW_PLACEMENT_H

#include <windows.h>

// A monitor: all of it, and the part not under the taskbar.
struct MonitorArea {
    RECT monitor;
    RECT work;
};

// Where a window lands on the monitors: it stays on the monitor it overlaps most, or without
// one on the nearest, pulled into that monitor's work area (a window over both edges of an
// area smaller than itself keeps its left or top edge on the area's). Returns the window's
// rectangle there. Any coordinates will do, as long as the rectangle's sides fit in a LONG.
RECT PlaceOnMonitors(RECT window, const MonitorArea* monitors, int count);

// The same for the monitors the system has now.
RECT PlaceOnMonitors(RECT window);

#endif
