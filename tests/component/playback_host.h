// A real hidden window that hosts the playback controller the way the main window does,
// and a record of what the controller asked of the user interface.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "playback/cd_audio_device.h"
#include "playback/play_order.h"
#include "playback/playback_controller.h"

// Every call the controller made to the user interface, e.g. "tip veltoCD / No Disc".
extern std::vector<std::string> uiCalls;

class PlaybackHost {
public:
    PlaybackHost();
    ~PlaybackHost();
    PlaybackHost(const PlaybackHost&) = delete;
    PlaybackHost& operator=(const PlaybackHost&) = delete;

    HWND window() const { return window_; }
    HWND trackList() const { return trackList_; }
    int state() const { return controller.PlayerState(); }

    // Hands a command to the controller, then handles what it posted.
    void command(int id, int code = 0);
    // One timer tick, then what it posted.
    void tick();
    // Handles posted commands and MCI notifications for ms milliseconds.
    void pump(DWORD ms);
    // Ticks every tickMs until the drive's log has a line containing text.
    bool tickUntilLog(const std::string& text, DWORD tickMs, DWORD timeoutMs);

    CdAudioDevice device;
    PlayOrder order{};
    PlaybackController controller{device, order};

private:
    static LRESULT CALLBACK proc(HWND, UINT, WPARAM, LPARAM);

    HWND window_;
    HWND trackList_;
};
