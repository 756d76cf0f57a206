#ifndef VELTOCD_PLAYBACK_UI_HOOKS_H
#define VELTOCD_PLAYBACK_UI_HOOKS_H

#include <windows.h>

// What the playback controller asks of the user interface. The program defines these in
// app/; a test defines its own, so the controller stands without any window code.
namespace ui {

void SyncCheckMarks();
void SetTip(const char* text);
void FillTrackList(HWND window);
void SelectCurrentEntry(HWND window);
void StageTick(HWND window, int playerState);
void RunSettingsDialog(HWND owner);
void ApplyTempo(HWND window);
void TopmostSwitch(HWND window, int on);

}  // namespace ui

#endif
