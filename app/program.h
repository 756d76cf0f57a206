#ifndef VELTOCD_APP_PROGRAM_H
#define VELTOCD_APP_PROGRAM_H

#include <windows.h>

#include "app/context_menu.h"
#include "app/tray_icon.h"
#include "common/random.h"
#include "playback/cd_audio_device.h"
#include "playback/play_order.h"
#include "playback/playback_controller.h"
#include "settings/cd_drive.h"
#include "settings/settings.h"
#include "stage/note_swarm.h"
#include "stage/performer.h"
#include "stage/stage_view.h"

// What the player keeps while it runs, in one record: WinMain makes it and hands it to the
// main window, which keeps it in its DWLP_USER; whatever needs a part of it is given that
// part. Members are made in this order and destroyed in reverse.
struct Program {
    // Made while the directory the program was started in is current: the figure's pictures
    // are looked for there.
    explicit Program(HINSTANCE instance);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    HINSTANCE instance;
    HWND window;  // the main window, once it is made
    Settings options;
    Random random;
    CdAudioDevice device;
    CdDrive drive;
    Performer figure;
    NoteSwarm notes;
    StageView stage;
    PlayOrder order;
    PlaybackController controller;
    ContextMenu menu;
    TrayIcon tray;
    HWND dialog;  // the settings or the titles dialog, while one is open

    // The executable's directory with its trailing backslash; the settings file lives there.
    wchar_t moduleDirectory[MAX_PATH];
    // Shut-down writes only settings this run has read: a start-up that failed earlier leaves
    // the file as it was.
    bool settingsLoaded;
    // Shut-down has begun. It waits on the notification area, and meanwhile a session's end may
    // be delivered: that second shut-down, and a tick it interrupted, must leave things alone.
    bool shuttingDown;
    UINT taskbarCreated;  // the message of a notification area that has restarted
};

#endif
