#ifndef VELTOCD_PLAYBACK_PLAYBACK_CONTROLLER_H
#define VELTOCD_PLAYBACK_PLAYBACK_CONTROLLER_H

#include <windows.h>

#include "playback/player_state.h"
#include "playback/ui_hooks.h"

class CdAudioDevice;
class Random;
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

    // What it changes, it tells the user interface through hooks, called with owner.
    PlaybackController(CdAudioDevice& device, PlayOrder& order, Settings& settings, Random& random,
                       const ui::Hooks& hooks, void* owner, TickClock clock = GetTickCount);

    // Back to the initial state, with no disc taken up: the start of a run.
    void Reset();

    int OnCommand(int id);
    // The track list's entry the user chose.
    int OnTrackChosen(int entry);
    // notifyPending: an MM_MCINOTIFY waits in the host's queue, and will end its play itself.
    int OnTick(bool notifyPending);
    int OnMciNotify(WPARAM status);

    int PlayerState() const { return state_; }

private:
    void Play();
    void Stop();
    int Previous();
    int Next();
    void BuildOrder();
    void ToggleRandom();
    bool DeviceOpen();
    int TakeUpDisc();
    void LoseDisc();
    int NoticeSilentEnd(bool notifyPending);
    int EndOfTrack();
    bool WhimDue() const;

    CdAudioDevice& device_;
    PlayOrder& order_;
    Settings& settings_;
    Random& random_;
    const ui::Hooks& ui_;
    void* owner_;
    TickClock clock_;
    int state_;

    // A device that could not be reopened is tried again, no more often than this allows.
    DWORD lastOpenTry_;
    // The device was opened for a disc whose tracks could not be counted yet.
    bool countPending_;

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
