#ifndef VELTOCD_APP_UI_HOOKS_H
#define VELTOCD_APP_UI_HOOKS_H

#include "playback/ui_hooks.h"

// The user interface's side of what playback tells it; the owner is the Program.
extern const ui::Hooks kUiHooks;

#endif
