// Identifiers of every resource, control, command and timer of veltoCD.
#ifndef VELTOCD_RES_RESOURCE_H
#define VELTOCD_RES_RESOURCE_H

// Resources
#define IDI_APP 101
#define IDR_POPUP 102
#define IDD_MAIN 103
#define IDB_STOP 104
#define IDB_PLAY 105
#define IDB_PREV 106
#define IDB_NEXT 107
#define IDB_NOTES 108
#define IDD_SETTINGS 109
#define IDR_ACCEL 110
#define IDD_TITLES 111

// Controls
#define IDC_TRACKLIST 1001
#define IDC_ANDANTE 1005
#define IDC_MODERATO 1006
#define IDC_ALLEGRO 1007
#define IDC_REVERB 1008
#define IDC_REVERB_SPIN 1009
#define IDC_TITLES 1010
#define IDC_ARTIST 1011
#define IDC_ALBUM 1012
#define IDC_RELEASES 1013
#define IDC_STATUS 1014
#define IDC_LOOKUP 1015

// Commands
#define IDM_EXIT 40001
#define IDM_TOPMOST 40002
#define IDM_PREV 40003
#define IDM_PLAY 40004
#define IDM_STOP 40005
#define IDM_NEXT 40006
#define IDM_RANDOM 40007
#define IDM_AUTOREPEAT 40008
#define IDM_ONETRACK 40009
#define IDM_ALLTRACKS 40010
#define IDM_SETTINGS 40011
#define IDM_MENU 40012  // Shift+F10: the popup menu at the window's corner
#define IDM_TITLES 40013

// Texts shown at run time, in the string tables; a %s of the program's name is filled in
#define IDS_APP_NAME 199
#define IDS_TIP_PLAYING 200  // "%s / #%d ..." with the program's name and the track
#define IDS_TIP_STOPPED 201
#define IDS_TIP_NODISC 202
#define IDS_UNTITLED 203  // a track's entry without a title, with its number
#define IDS_NODISC_ENTRY 204
#define IDS_STARTUP_ERROR 205
#define IDS_STARTUP_CAPTION 206
#define IDS_SETTINGS_CAPTION 207
#define IDS_TITLES_CAPTION 208
#define IDS_TITLE_UNSTORABLE 209  // with what holds the characters
#define IDS_TITLES_REFUSED 210
#define IDS_TITLES_PARTLY 211  // with what was stored
#define IDS_LOOKUP 212         // the lookup's button, and while it runs
#define IDS_LOOKUP_STOP 213
#define IDS_LOOKING_UP 214  // the status line while it runs, and when it failed
#define IDS_LOOKUP_NOCONNECTION 215
#define IDS_LOOKUP_NOTFOUND 216
#define IDS_LOOKUP_BUSY 217
#define IDS_LOOKUP_UNREADABLE 218
#define IDS_TRACK_ITEM 219  // what the titles dialog calls a track in its messages, with its number
#define IDS_ARTIST_ITEM 220
#define IDS_ALBUM_ITEM 221

// The main window's one timer
#define IDT_TICK 1

// The media keys' hot keys
#define IDK_PLAYPAUSE 1
#define IDK_STOP 2
#define IDK_PREV 3
#define IDK_NEXT 4

#endif
