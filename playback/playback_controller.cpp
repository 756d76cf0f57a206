#include "playback/playback_controller.h"

#include <mmsystem.h>

#include "playback/cd_audio_device.h"
#include "playback/play_order.h"
#include "playback/ui_hooks.h"
#include "res/resource.h"
#include "settings/settings.h"

namespace {

// A drive may still report stopped while it spins up after a play starts; without having
// seen it play, believe a stop only once this long has passed.
const DWORD kSpinUpMs = 5000;

}  // namespace

PlaybackController::PlaybackController(CdAudioDevice& device, PlayOrder& order, Settings& settings, TickClock clock)
    : device_(device), order_(order), settings_(settings), clock_(clock)
{
    Reset();
}

void PlaybackController::Reset()
{
    order_.TrackCount = 0;
    state_ = kPlayerInitial;
    whimArmed_ = false;
    whimArmedAt_ = 0;
    whimDelay_ = 0;
    playOutstanding_ = false;
    playSeen_ = false;
    playStartedAt_ = 0;
    plays_ = 0;
    notices_ = 0;
}

int PlaybackController::OnCommand(HWND host, int id)
{
    switch (id) {
    case IDM_PREV:
        return Previous();
    case IDM_PLAY:
        Play(host);
        break;
    case IDM_STOP:
        Stop(host);
        break;
    case IDM_NEXT:
        return Next();
    case IDM_RANDOM:
        ToggleRandom();
        break;
    case IDM_AUTOREPEAT:
        settings_.AutoRepeat = settings_.AutoRepeat == 0 ? 1 : 0;
        ui::SyncCheckMarks();
        break;
    case IDM_ONETRACK:
        settings_.AutoRepeat = 1;
        settings_.AllTracksMode = 0;
        ui::SyncCheckMarks();
        break;
    case IDM_ALLTRACKS:
        settings_.AllTracksMode = 1;
        ui::SyncCheckMarks();
        break;
    default:
        break;
    }
    return 0;
}

void PlaybackController::Play(HWND host)
{
    const BYTE track = order_.CurrentTrack();
    // Only a track of the disc taken up plays. Before a tick takes up a disc put in, a play
    // would name a track of none, or of the last one, and the new disc would never be taken up.
    if (track == 0 || track > order_.TrackCount) {
        ui::SelectCurrentEntry(host);
        return;
    }
    const bool started = device_.Play(host, track);
    // A play the drive refused is no play: the next tick takes the disc up afresh.
    state_ = started ? kPlayerPlaying : kPlayerError;
    plays_ += started ? 1 : 0;
    playOutstanding_ = started;
    playSeen_ = false;
    playStartedAt_ = clock_();
    ui::ShowTip(started ? ui::Tip::Playing : ui::Tip::Stopped, track);
    ui::SelectCurrentEntry(host);
}

void PlaybackController::Stop(HWND host)
{
    device_.Stop();
    // Without a disc taken up there is nothing to stand stopped on: a stopped player takes up
    // no disc, so one put in afterwards would never play.
    if (order_.TrackCount == 0) {
        return;
    }
    ui::ShowTip(ui::Tip::Stopped, order_.CurrentTrack());
    state_ = kPlayerStopped;
    playOutstanding_ = false;
    ui::SelectCurrentEntry(host);
    whimArmed_ = settings_.Whim != 0;
    whimArmedAt_ = clock_();
    whimDelay_ = static_cast<DWORD>(settings_.Whim) * 1000u;
}

int PlaybackController::Previous()
{
    const BYTE old = order_.position;
    order_.position = static_cast<BYTE>(old - 1);
    if (old == 0) {
        order_.position = static_cast<BYTE>(order_.TrackCount - 1);
        order_.Build(settings_.RandomPlay != 0);
    }
    return IDM_PLAY;
}

int PlaybackController::Next()
{
    order_.position = static_cast<BYTE>(order_.position + 1);
    if (order_.position == order_.TrackCount) {
        order_.position = 0;
        order_.Build(settings_.RandomPlay != 0);
    }
    return IDM_PLAY;
}

int PlaybackController::OnTrackChosen(int entry)
{
    // The list is in track order: the entry names the track, wherever the play order has it.
    order_.Seek(static_cast<BYTE>(entry + 1));
    return IDM_PLAY;
}

void PlaybackController::ToggleRandom()
{
    settings_.RandomPlay = settings_.RandomPlay == 0 ? 1 : 0;
    if (settings_.RandomPlay != 0) {
        order_.RandomOn();
    } else {
        order_.RandomOff();
    }
    ui::SyncCheckMarks();
}

int PlaybackController::OnTick(HWND host)
{
    const int count = device_.TrackCount();
    if (count != 0 && state_ != kPlayerPlaying && state_ != kPlayerStopped) {
        return TakeUpDisc(host);
    }
    if (count == 0 && state_ != kPlayerNoDisc) {
        LoseDisc(host);
        return 0;
    }
    if (state_ == kPlayerPlaying) {
        return NoticeSilentEnd(host);
    }
    return state_ == kPlayerStopped && WhimDue() ? IDM_PLAY : 0;
}

int PlaybackController::TakeUpDisc(HWND host)
{
    device_.Reopen();
    order_.TrackCount = static_cast<BYTE>(device_.TrackCount());
    order_.position = 0;
    order_.Build(settings_.RandomPlay != 0);
    ui::FillTrackList(host);
    state_ = kPlayerPlaying;
    playOutstanding_ = false;
    return IDM_PLAY;
}

void PlaybackController::LoseDisc(HWND host)
{
    device_.Reopen();
    order_.TrackCount = 0;
    ui::FillTrackList(host);
    ui::SyncCheckMarks();
    ui::ShowTip(ui::Tip::NoDisc, 0);
    state_ = kPlayerNoDisc;
    playOutstanding_ = false;
}

int PlaybackController::NoticeSilentEnd(HWND host)
{
    if (!playOutstanding_) {
        return 0;
    }
    const DWORD mode = device_.Mode();
    if (mode == MCI_MODE_PLAY) {
        playSeen_ = true;
        return 0;
    }
    if (mode != MCI_MODE_STOP) {
        return 0;  // seeking, or the drive cannot say
    }
    if (!playSeen_ && clock_() - playStartedAt_ < kSpinUpMs) {
        return 0;
    }
    // A platform that does notify may have done so already: leave the end to that message.
    MSG pending;
    if (PeekMessageA(&pending, host, MM_MCINOTIFY, MM_MCINOTIFY, PM_NOREMOVE)) {
        return 0;
    }
    playOutstanding_ = false;
    return EndOfTrack();
}

int PlaybackController::OnMciNotify(WPARAM status)
{
    // Every play the drive took notifies once, in the order of the plays: a notification that
    // arrives after a later play has started is an earlier play's, whose end is already past.
    const bool current = ++notices_ >= plays_;
    notices_ = current ? plays_ : notices_;
    if (!current) {
        return 0;
    }
    if (status == MCI_NOTIFY_SUCCESSFUL) {
        // Once per play: the tick may have noticed this end already.
        if (playOutstanding_) {
            playOutstanding_ = false;
            return EndOfTrack();
        }
    } else if (status == MCI_NOTIFY_FAILURE) {
        playOutstanding_ = false;
        device_.Reopen();
        state_ = kPlayerError;
    }
    // Superseded and aborted plays were ended by a command of ours: nothing to do.
    return 0;
}

int PlaybackController::EndOfTrack()
{
    if (settings_.AutoRepeat != 0) {
        return settings_.AllTracksMode != 0 ? IDM_NEXT : IDM_PLAY;
    }
    if (settings_.AllTracksMode == 0) {
        return IDM_STOP;
    }
    if (order_.TrackCount == order_.position + 1) {
        order_.position = 0;
        return IDM_STOP;
    }
    return IDM_NEXT;
}

bool PlaybackController::WhimDue() const
{
    return whimArmed_ && clock_() - whimArmedAt_ >= whimDelay_;
}
