#ifndef VELTOCD_PLAYBACK_PLAYBACK_CONTROLLER_H
#define VELTOCD_PLAYBACK_PLAYBACK_CONTROLLER_H

#include <windows.h>

#include "playback/player_state.h"

class CdAudioDevice;
struct PlayOrder;

// The playback logic hosted by the main window: commands, disc polling on every timer
// tick, the end-of-track policy and the restart of a stopped disc after Whim seconds.
// Every playback start goes through IDM_PLAY, posted to the host window.
class PlaybackController {
public:
    // The controller's sense of time, in milliseconds that wrap after 49.7 days.
    using TickClock = DWORD(WINAPI*)();

    PlaybackController(CdAudioDevice& device, PlayOrder& order, TickClock clock = GetTickCount);

    void OnCommand(HWND host, int id, int code);
    void OnTick(HWND host);
    void OnMciNotify(HWND host, WPARAM status);

    int PlayerState() const { return state_; }

private:
    void Play(HWND host);
    void Stop(HWND host);
    void Previous(HWND host);
    void Next(HWND host);
    void PlaySelectedEntry(HWND host);
    void ToggleRandom();
    void TakeUpDisc(HWND host);
    void LoseDisc(HWND host);
    // False if the host window was destroyed meanwhile.
    bool NoticeSilentEnd(HWND host);
    void EndOfTrack(HWND host);
    bool WhimDue() const;

    CdAudioDevice& device_;
    PlayOrder& order_;
    TickClock clock_;
    int state_;

    // Whim restart: armed by a stop, due Whim seconds later. Kept as elapsed time so the
    // 49.7-day wrap of the tick count cannot make it fire early or never.
    bool whimArmed_;
    DWORD whimArmedAt_;
    DWORD whimDelay_;

    // The play this controller started and whose end it has not handled yet. Windows NT
    // and Wine never notify a play's natural end, so the tick watches the drive's mode.
    bool playOutstanding_;
    bool playSeen_;
    DWORD playStartedAt_;
};

#endif
