#ifndef VELTOCD_PLAYBACK_PLAYBACK_CONTROLLER_H
#define VELTOCD_PLAYBACK_PLAYBACK_CONTROLLER_H

#include <windows.h>

#include "playback/player_state.h"

class CdAudioDevice;
struct PlayOrder;
struct Settings;

// The playback logic hosted by the main window: the transport commands, the play modes, disc
// polling on every timer tick, the end-of-track policy and the restart of a stopped disc after
// Whim seconds. Every playback start goes through IDM_PLAY: each entry point returns the
// command the host must queue next (IDM_PLAY, IDM_NEXT or IDM_STOP), or 0 for none.
class PlaybackController {
public:
    // The controller's sense of time, in milliseconds that wrap after 49.7 days.
    using TickClock = DWORD(WINAPI*)();

    PlaybackController(CdAudioDevice& device, PlayOrder& order, Settings& settings, TickClock clock = GetTickCount);

    // Back to the initial state, with no disc taken up: the start of a run.
    void Reset();

    // host is the window the drive notifies and the user interface shows.
    int OnCommand(HWND host, int id);
    // The track list's entry the user chose.
    int OnTrackChosen(int entry);
    int OnTick(HWND host);
    int OnMciNotify(WPARAM status);

    int PlayerState() const { return state_; }

private:
    void Play(HWND host);
    void Stop(HWND host);
    int Previous();
    int Next();
    void ToggleRandom();
    int TakeUpDisc(HWND host);
    void LoseDisc(HWND host);
    int NoticeSilentEnd(HWND host);
    int EndOfTrack();
    bool WhimDue() const;

    CdAudioDevice& device_;
    PlayOrder& order_;
    Settings& settings_;
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
    // Plays the drive took and notifications received, which tie a notification to its play.
    DWORD plays_;
    DWORD notices_;
};

#endif
