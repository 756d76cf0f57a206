#ifndef VELTOCD_APP_TITLES_DIALOG_H
#define VELTOCD_APP_TITLES_DIALOG_H

#include <windows.h>

struct TableOfContents;

// The disc the titles dialog names: its tracks, its identifier in cdplayer.ini, its table of
// contents for a lookup online (none where the drive gave none), and the settings file that
// names the lookup's server.
struct TitlesDisc {
    int trackCount;
    DWORD discId;
    const TableOfContents* toc;
    const wchar_t* settingsPath;
};

// The dialog in which the user names the disc's artist and album and its tracks: each title
// edited in place (F2, or a click on the selected entry), or filled from a lookup online; OK
// stores what was edited here in cdplayer.ini, Cancel and Esc discard. `open` names the dialog
// while it is open. True if titles were stored.
bool RunTitlesDialog(HINSTANCE instance, HWND owner, const TitlesDisc& disc, HWND& open);

#endif
