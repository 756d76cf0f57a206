#ifndef VELTOCD_APP_TRACK_LIST_H
#define VELTOCD_APP_TRACK_LIST_H

#include <windows.h>

// The main window's drop-down list of the disc's tracks, over the stage.

// One entry per track, titled from cdplayer.ini where it knows the disc by its identifier,
// or "* No Disc *" alone. Then selects the current track.
void FillTrackList(HWND window, int trackCount, int currentTrack, DWORD discId);
// Selects the current track's entry; a track the list does not hold clears the selection.
void SelectCurrentEntry(HWND window, int currentTrack);
// The entry the user chose.
int SelectedEntry(HWND window);
// What stands for a track without a title, with its number, into 32 characters or more.
void UntitledEntry(int track, wchar_t* text);

#endif
