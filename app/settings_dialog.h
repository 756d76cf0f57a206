#ifndef VELTOCD_APP_SETTINGS_DIALOG_H
#define VELTOCD_APP_SETTINGS_DIALOG_H

#include <windows.h>

struct Settings;

// The operation settings dialog: the tempo is stored the moment it is chosen, the number of
// notes when OK is pressed. There is no cancel; the dialog closes only through OK. `open`
// names the dialog while it is open.
void RunSettingsDialog(HINSTANCE instance, HWND owner, Settings& settings, HWND& open);

#endif
