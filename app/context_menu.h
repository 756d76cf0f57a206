#ifndef VELTOCD_APP_CONTEXT_MENU_H
#define VELTOCD_APP_CONTEXT_MENU_H

#include <windows.h>

// The one popup menu, its four transport glyphs and the check marks that mirror the
// playback settings.
class ContextMenu {
public:
    ContextMenu();
    ~ContextMenu();
    ContextMenu(const ContextMenu&) = delete;
    ContextMenu& operator=(const ContextMenu&) = delete;

    void Create(HINSTANCE instance);
    void Destroy();
    void SyncCheckMarks();
    void ShowAtCursor(HWND window);
    // At the window's top-left corner, for the keyboard.
    void ShowAtCorner(HWND window);

    HMENU Popup() const { return popup_; }

private:
    void ShowAt(HWND window, POINT point);

    HMENU popup_;
    HBITMAP prevGlyph_;
    HBITMAP playGlyph_;
    HBITMAP stopGlyph_;
    HBITMAP nextGlyph_;
};

// Keeps the main window above all others, or when off puts it at the bottom of the
// Z order; stores ShowTopMost as 0 or 1 and syncs the check marks.
void TopmostSwitch(HWND window, int on);

#endif
