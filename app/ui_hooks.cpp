// The user interface's side of what playback tells it.
#include "playback/ui_hooks.h"

#include "app/context_menu.h"
#include "app/program.h"
#include "app/texts.h"
#include "app/track_list.h"
#include "app/tray_icon.h"
#include "playback/play_order.h"
#include "res/resource.h"
#include "settings/settings.h"

namespace ui {

void ShowTip(Tip tip, int track)
{
    wchar_t format[64];
    LoadText(tip == Tip::Playing ? IDS_TIP_PLAYING : tip == Tip::Stopped ? IDS_TIP_STOPPED : IDS_TIP_NODISC, format);
    wchar_t text[128];
    wsprintfW(text, format, L"veltoCD", track);
    Tray.SetTip(text);
}

void FillTrackList(HWND host)
{
    ::FillTrackList(host, Order.TrackCount, Order.CurrentTrack());
}

void SelectCurrentEntry(HWND host)
{
    ::SelectCurrentEntry(host, Order.CurrentTrack());
}

void SyncCheckMarks()
{
    Menu.SyncCheckMarks(Options);
}

}  // namespace ui
