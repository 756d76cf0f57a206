#ifndef VELTOCD_APP_PROGRAM_H
#define VELTOCD_APP_PROGRAM_H

#include <windows.h>

class CdAudioDevice;
class ContextMenu;
class NoteSwarm;
class Performer;
class PlaybackController;
class StageView;
class TrayIcon;
struct PlayOrder;
struct Settings;

// The program-wide objects. The static ones are constructed before WinMain runs, in the
// order of their definition in program.cpp, and destroyed in reverse after it returns.
extern HINSTANCE AppInstance;  // 0 until WinMain stores it
extern Settings Options;
extern CdAudioDevice CdDevice;
extern Performer Figure;
extern NoteSwarm Notes;
extern StageView Stage;
extern PlayOrder Order;
extern PlaybackController Controller;
extern ContextMenu Menu;
extern TrayIcon Tray;

#endif
