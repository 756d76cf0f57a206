#ifndef VELTOCD_APP_DISPLAY_SCALE_H
#define VELTOCD_APP_DISPLAY_SCALE_H

#include <windows.h>

// Sent when the window moves to a monitor of another scale (Windows 8.1 and later; the
// headers declare it only for them).
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
// Sent before it, asking the size the window wants at the new scale (Windows 10, 1703).
#ifndef WM_GETDPISCALEDSIZE
#define WM_GETDPISCALEDSIZE 0x02E4
#endif

// The display's scale. The program is aware of each monitor's: it draws at the monitor's
// dots per inch (96 is 100 %). Where the platform predates that, the system's counts.
UINT DpiOf(HWND window);

// A length in pixels at 96 dots per inch, at this many, rounded.
inline int Scaled(int length, UINT dpi)
{
    return MulDiv(length, static_cast<int>(dpi), 96);
}

// A system metric (SM_CXSMICON, SM_CXMENUCHECK, ...) at this many dots per inch.
int MetricAt(int index, UINT dpi);

#endif
