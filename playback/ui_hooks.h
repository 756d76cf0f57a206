#ifndef VELTOCD_PLAYBACK_UI_HOOKS_H
#define VELTOCD_PLAYBACK_UI_HOOKS_H

#include <windows.h>

// What playback tells the user interface it has changed. The program defines these in app/;
// a test defines its own, so the controller stands without any window code.
namespace ui {

enum class Tip {
    Playing,
    Stopped,
    NoDisc
};

// The notification-area tip: the track playing or stopped on, or no disc.
void ShowTip(Tip tip, int track);
// The track list refilled for the play order's disc, and its selection on the current track.
void FillTrackList(HWND host);
void SelectCurrentEntry(HWND host);
// The menu's marks brought in line with the settings.
void SyncCheckMarks();

}  // namespace ui

#endif
