// The user interface's side of what the playback controller asks of it.
#include "playback/ui_hooks.h"

#include "app/context_menu.h"
#include "app/program.h"
#include "app/tray_icon.h"
#include "playback/play_order.h"
#include "settings/settings.h"
#include "settings/settings_dialog.h"
#include "settings/track_list.h"
#include "stage/stage_view.h"

namespace ui {

void SyncCheckMarks()
{
    Menu.SyncCheckMarks();
}

void SetTip(const char* text)
{
    Tray.SetTip(text);
}

void FillTrackList(HWND window)
{
    ::FillTrackList(window, Order.TrackCount, Order.CurrentTrack());
}

void SelectCurrentEntry(HWND window)
{
    ::SelectCurrentEntry(window, Order.CurrentTrack());
}

void StageTick(HWND window, int playerState)
{
    Stage.Tick(window, playerState);
}

void RunSettingsDialog(HWND owner)
{
    ::RunSettingsDialog(AppInstance, owner);
}

void ApplyTempo(HWND window)
{
    ::ApplyTempo(window);
}

void TopmostSwitch(HWND window, int on)
{
    ::TopmostSwitch(window, on);
}

}  // namespace ui
