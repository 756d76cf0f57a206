#ifndef VELTOCD_APP_TITLES_DIALOG_H
#define VELTOCD_APP_TITLES_DIALOG_H

#include <windows.h>

// The dialog in which the user names the tracks of the disc with this identifier: each title
// edited in place (F2, or a click on the selected entry); OK stores the titles edited here in
// cdplayer.ini, Cancel and Esc discard. `open` names the dialog while it is open. True if
// titles were stored.
bool RunTitlesDialog(HINSTANCE instance, HWND owner, int trackCount, DWORD discId, HWND& open);

#endif
