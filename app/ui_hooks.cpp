// The user interface's side of what the playback controller asks of it.
#include "playback/ui_hooks.h"

#include "app/context_menu.h"
#include "app/program.h"
#include "app/tray_icon.h"
#include "settings/settings.h"

namespace ui {

void SyncCheckMarks()
{
    Menu.SyncCheckMarks();
}

void SetTip(const char* text)
{
    Tray.SetTip(text);
}

void FillTrackList(HWND)
{
    // The track list shows nothing yet.
}

void SelectCurrentEntry(HWND)
{
}

void StageTick(HWND, int)
{
    // The stage has no animation yet.
}

void RunSettingsDialog(HWND)
{
    // There is no settings dialog yet.
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
