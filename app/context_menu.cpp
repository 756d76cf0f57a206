#include "app/context_menu.h"

#include "res/resource.h"
#include "settings/settings.h"

namespace {

// A glyph at another scale, nearest-neighbour: its pixels stay black or white, never blended.
HBITMAP LoadGlyph(HINSTANCE instance, int id, int size)
{
    HBITMAP glyph = LoadBitmapW(instance, MAKEINTRESOURCEW(id));
    if (glyph == nullptr || size == kGlyphSize) {
        return glyph;
    }
    HBITMAP scaled = CreateBitmap(size, size, 1, 1, nullptr);
    HDC source = CreateCompatibleDC(nullptr);
    HDC target = CreateCompatibleDC(nullptr);
    HGDIOBJ oldSource = SelectObject(source, glyph);
    HGDIOBJ oldTarget = SelectObject(target, scaled);
    SetStretchBltMode(target, COLORONCOLOR);
    StretchBlt(target, 0, 0, size, size, source, 0, 0, kGlyphSize, kGlyphSize, SRCCOPY);
    SelectObject(source, oldSource);
    SelectObject(target, oldTarget);
    DeleteDC(source);
    DeleteDC(target);
    DeleteObject(glyph);
    return scaled;
}

void DeleteGlyph(HBITMAP& glyph)
{
    if (glyph != nullptr) {
        DeleteObject(glyph);
        glyph = nullptr;
    }
}

}  // namespace

ContextMenu::ContextMenu()
    : popup_(nullptr), prevGlyph_(nullptr), playGlyph_(nullptr), stopGlyph_(nullptr), nextGlyph_(nullptr)
{
}

ContextMenu::~ContextMenu()
{
    Destroy();
}

void ContextMenu::Create(HINSTANCE instance, const Settings& settings, int glyphSize)
{
    // Only the popup is kept: detach it from the bar that carries it, so the bar can go now
    // and destroying the popup later frees everything.
    HMENU bar = LoadMenuW(instance, MAKEINTRESOURCEW(IDR_POPUP));
    popup_ = GetSubMenu(bar, 0);
    RemoveMenu(bar, 0, MF_BYPOSITION);
    DestroyMenu(bar);

    prevGlyph_ = LoadGlyph(instance, IDB_PREV, glyphSize);
    playGlyph_ = LoadGlyph(instance, IDB_PLAY, glyphSize);
    stopGlyph_ = LoadGlyph(instance, IDB_STOP, glyphSize);
    nextGlyph_ = LoadGlyph(instance, IDB_NEXT, glyphSize);

    // The transport items are checked in the template and never unchecked, so each always
    // shows its glyph in the check-mark column.
    SetMenuItemBitmaps(popup_, IDM_PREV, MF_BYCOMMAND, nullptr, prevGlyph_);
    SetMenuItemBitmaps(popup_, IDM_PLAY, MF_BYCOMMAND, nullptr, playGlyph_);
    SetMenuItemBitmaps(popup_, IDM_STOP, MF_BYCOMMAND, nullptr, stopGlyph_);
    SetMenuItemBitmaps(popup_, IDM_NEXT, MF_BYCOMMAND, nullptr, nextGlyph_);

    SyncCheckMarks(settings);
}

void ContextMenu::Destroy()
{
    if (popup_ != nullptr) {
        DestroyMenu(popup_);
        popup_ = nullptr;
    }
    DeleteGlyph(prevGlyph_);
    DeleteGlyph(playGlyph_);
    DeleteGlyph(stopGlyph_);
    DeleteGlyph(nextGlyph_);
}

void ContextMenu::SyncCheckMarks(const Settings& settings)
{
    const auto mark = [](int on) { return MF_BYCOMMAND | (on != 0 ? MF_CHECKED : MF_UNCHECKED); };
    CheckMenuItem(popup_, IDM_TOPMOST, mark(settings.ShowTopMost));
    CheckMenuItem(popup_, IDM_RANDOM, mark(settings.RandomPlay));
    CheckMenuItem(popup_, IDM_AUTOREPEAT, mark(settings.AutoRepeat));
    CheckMenuRadioItem(popup_, IDM_ONETRACK, IDM_ALLTRACKS, settings.AllTracksMode != 0 ? IDM_ALLTRACKS : IDM_ONETRACK,
                       MF_BYCOMMAND);
}

void ContextMenu::EnableTitles(bool enabled)
{
    EnableMenuItem(popup_, IDM_TITLES, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void ContextMenu::ShowAtCursor(HWND window)
{
    // Where the cursor is now, not where the message says: a posted click carries no point.
    SetForegroundWindow(window);
    POINT cursor;
    GetCursorPos(&cursor);
    ShowAt(window, cursor);
}

void ContextMenu::ShowAtCorner(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    SetForegroundWindow(window);
    ShowAt(window, POINT{rect.left, rect.top});
}

void ContextMenu::ShowAt(HWND window, POINT point)
{
    TrackPopupMenu(popup_, TPM_RIGHTBUTTON, point.x, point.y, 0, window, nullptr);
}
