// The user interface's side of what playback tells it.
#include "playback/ui_hooks.h"

#include "app/context_menu.h"
#include "app/program.h"
#include "app/track_list.h"
#include "app/tray_icon.h"
#include "playback/play_order.h"
#include "settings/settings.h"

namespace ui {

void ShowTip(Tip tip, int track)
{
    char text[64];
    if (tip == Tip::NoDisc) {
        lstrcpyA(text, "veltoCD / No Disc");
    } else {
        wsprintfA(text, tip == Tip::Playing ? "%s / #%d 再生中" : "%s / #%d 停止中", "veltoCD", track);
    }
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
