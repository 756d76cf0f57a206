#ifndef VELTOCD_APP_CONTEXT_MENU_H
#define VELTOCD_APP_CONTEXT_MENU_H

#include <windows.h>

// The side of the transport glyphs as drawn, at 100 %.
const int kGlyphSize = 13;

struct Settings;

// The one popup menu, its four transport glyphs and the check marks that mirror the
// playback settings.
class ContextMenu {
public:
    ContextMenu();
    ~ContextMenu();
    ContextMenu(const ContextMenu&) = delete;
    ContextMenu& operator=(const ContextMenu&) = delete;

    // glyphSize: the transport glyphs' side at the window's scale.
    void Create(HINSTANCE instance, const Settings& settings, int glyphSize);
    // The glyphs made again at another side, for another scale; the old ones freed.
    void SetGlyphs(HINSTANCE instance, int glyphSize);
    void Destroy();
    void SyncCheckMarks(const Settings& settings);
    void EnableTitles(bool enabled);
    void ShowAtCursor(HWND window);
    // At the window's top-left corner, for the keyboard.
    void ShowAtCorner(HWND window);
    // The window was told to cancel its modes (WM_CANCELMODE), which ends a menu being shown.
    void NoteCancel() { cancelled_ = true; }

    HMENU Popup() const { return popup_; }

private:
    void ShowAt(HWND window, POINT point);

    HMENU popup_;
    HBITMAP glyphs_[4];  // previous, play, stop, next
    bool cancelled_;
};

#endif
