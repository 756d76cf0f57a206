#ifndef VELTOCD_APP_TITLES_DIALOG_H
#define VELTOCD_APP_TITLES_DIALOG_H

#include <windows.h>

// The dialog in which the user names the disc's tracks: each title edited in place (F2, or a
// click on the selected entry); OK stores what changed in cdplayer.ini, Cancel and Esc
// discard. True if titles were stored.
bool RunTitlesDialog(HINSTANCE instance, HWND owner, int trackCount);

#endif
