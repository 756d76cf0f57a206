#ifndef VELTOCD_APP_MEDIA_KEYS_H
#define VELTOCD_APP_MEDIA_KEYS_H

#include <windows.h>

// The keyboard's media keys: Play/Pause, Stop, Previous and Next, answered wherever the
// focus is while the player runs, as hot keys of the main window.
namespace media_keys {

// Registers the keys; one another program already holds is left to it.
void Register(HWND window);
void Unregister(HWND window);

// The player command for a media key's hot key or its WM_APPCOMMAND; 0 for none.
int CommandForHotKey(WPARAM id, int playerState);
int CommandForAppCommand(LPARAM lParam, int playerState);

}  // namespace media_keys

#endif
