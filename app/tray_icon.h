#ifndef VELTOCD_APP_TRAY_ICON_H
#define VELTOCD_APP_TRAY_ICON_H

#include <windows.h>
#include <shellapi.h>

// How the notification area reports mouse actions on our icon to the main window.
const UINT WM_TRAYNOTIFY = WM_APP + 1;

// The notification-area icon. Every add, modify and delete passes the one record, in the
// platform's first form so that every version of the shell takes it.
class TrayIcon {
public:
    TrayIcon();

    // The icon drawn for this side, the notification area's at the window's scale.
    void AddIcon(HWND window, HINSTANCE instance, int iconSize);
    // The icon drawn for another side, for another scale; the old one freed.
    void SetIcon(HINSTANCE instance, int iconSize);
    // The tip shows at most 63 characters: a longer text is cut between characters.
    void SetTip(const wchar_t* text);
    void DeleteIcon();
    // Adds the icon once more, with its current tip, to a notification area that restarted.
    void AddAgain();
    void OnNotify(LPARAM mouseMessage);

    const NOTIFYICONDATAW& Record() const { return record_; }

private:
    NOTIFYICONDATAW record_;
};

static_assert(sizeof(void*) != 4 || NOTIFYICONDATAW_V1_SIZE == 152, "the first form is 152 bytes on 32-bit Windows");

#endif
