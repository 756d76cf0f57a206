#ifndef VELTOCD_SETTINGS_TRACK_LIST_H
#define VELTOCD_SETTINGS_TRACK_LIST_H

#include <windows.h>

// The disc's identity and the track list over the stage. The CD drive whose volume serial
// number names the disc is chosen once, at start-up, from the registry's "Default Drive".
void FindCdDrive();
// The serial number of the chosen drive's disc; 0 without a drive or a readable volume.
DWORD DiscId();

// Fills the main window's track list: one entry per track, titled from cdplayer.ini where it
// knows the disc, or "* No Disc *" alone. Then selects the current track. Returns the count.
int FillTrackList(HWND window, int trackCount, int currentTrack);
// Selects the current track's entry; a track the list does not hold clears the selection.
void SelectCurrentEntry(HWND window, int currentTrack);

#endif
