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

// The transport items and their glyphs, in the order the menu keeps them.
const struct {
    UINT item;
    int glyph;
} kTransport[] = {{IDM_PREV, IDB_PREV}, {IDM_PLAY, IDB_PLAY}, {IDM_STOP, IDB_STOP}, {IDM_NEXT, IDB_NEXT}};

}  // namespace

ContextMenu::ContextMenu() : popup_(nullptr), glyphs_(), cancelled_(false)
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
    SetGlyphs(instance, glyphSize);
    SyncCheckMarks(settings);
}

void ContextMenu::SetGlyphs(HINSTANCE instance, int glyphSize)
{
    // The transport items are checked in the template and never unchecked, so each always
    // shows its glyph in the check-mark column.
    for (int i = 0; i < 4; ++i) {
        HBITMAP old = glyphs_[i];
        glyphs_[i] = LoadGlyph(instance, kTransport[i].glyph, glyphSize);
        SetMenuItemBitmaps(popup_, kTransport[i].item, MF_BYCOMMAND, nullptr, glyphs_[i]);
        if (old != nullptr) {
            DeleteObject(old);
        }
    }
}

void ContextMenu::Destroy()
{
    if (popup_ != nullptr) {
        DestroyMenu(popup_);
        popup_ = nullptr;
    }
    for (HBITMAP& glyph : glyphs_) {
        if (glyph != nullptr) {
            DeleteObject(glyph);
            glyph = nullptr;
        }
    }
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
    POINT cursor;
    GetCursorPos(&cursor);
    ShowAt(window, cursor);
}

void ContextMenu::ShowAtCorner(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    ShowAt(window, POINT{rect.left, rect.top});
}

void ContextMenu::ShowAt(HWND window, POINT point)
{
    // Wine reports a focus change late, as WM_CANCELMODE to this window, and so ends a menu
    // opened meanwhile although the window is in front: the notification area, activated by
    // the click that asks for the menu, gives the focus back only after we have taken it. A
    // menu so ended, nothing chosen, is shown again; one the user left for another window
    // stays closed, since the foreground went along. The choice is posted from here, so the
    // menu never comes back after one.
    UINT chosen = 0;
    for (int shown = 0; shown < 3; ++shown) {  // a few times at most, never for ever
        SetForegroundWindow(window);
        cancelled_ = false;
        chosen = static_cast<UINT>(
            TrackPopupMenu(popup_, TPM_RIGHTBUTTON | TPM_RETURNCMD, point.x, point.y, 0, window, nullptr));
        if (chosen != 0 || !cancelled_ || GetForegroundWindow() != window) {
            break;
        }
    }
    if (chosen != 0) {
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
    }
    // As the platform asks of a popup whose owner was brought to the front for it.
    PostMessageW(window, WM_NULL, 0, 0);
}
