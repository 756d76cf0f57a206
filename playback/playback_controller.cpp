#include "playback/playback_controller.h"

#include <mmsystem.h>

#include "common/random.h"
#include "playback/cd_audio_device.h"
#include "playback/play_order.h"
#include "playback/ui_hooks.h"
#include "res/resource.h"
#include "settings/settings.h"

namespace {

// A drive may still report stopped while it spins up after a play starts; without having
// seen it play, believe a stop only once this long has passed.
const DWORD kSpinUpMs = 5000;
// A device another program held may be free again: it is asked this often, no more.
const DWORD kReopenMs = 2000;

}  // namespace

PlaybackController::PlaybackController(CdAudioDevice& device, PlayOrder& order, Settings& settings, Random& random,
                                       const ui::Hooks& hooks, void* owner, TickClock clock)
    : device_(device), order_(order), settings_(settings), random_(random), ui_(hooks), owner_(owner), clock_(clock)
{
    Reset();
}

void PlaybackController::Reset()
{
    order_.TrackCount = 0;
    state_ = kPlayerInitial;
    lastOpenTry_ = clock_();
    countPending_ = false;
    whimArmed_ = false;
    whimArmedAt_ = 0;
    whimDelay_ = 0;
    playOutstanding_ = false;
    playSeen_ = false;
    playStartedAt_ = 0;
    plays_ = 0;
    notices_ = 0;
}

int PlaybackController::OnCommand(int id)
{
    switch (id) {
    case IDM_PREV:
        return Previous();
    case IDM_PLAY:
        Play();
        break;
    case IDM_STOP:
        Stop();
        break;
    case IDM_NEXT:
        return Next();
    case IDM_RANDOM:
        ToggleRandom();
        break;
    case IDM_AUTOREPEAT:
        settings_.AutoRepeat = settings_.AutoRepeat == 0 ? 1 : 0;
        ui_.syncCheckMarks(owner_);
        break;
    case IDM_ONETRACK:
        settings_.AutoRepeat = 1;
        settings_.AllTracksMode = 0;
        ui_.syncCheckMarks(owner_);
        break;
    case IDM_ALLTRACKS:
        settings_.AllTracksMode = 1;
        ui_.syncCheckMarks(owner_);
        break;
    default:
        break;
    }
    return 0;
}

void PlaybackController::Play()
{
    const BYTE track = order_.CurrentTrack();
    // Only a track of the disc taken up plays. Before a tick takes up a disc put in, a play
    // would name a track of none, or of the last one, and the new disc would never be taken up.
    if (track == 0 || track > order_.TrackCount) {
        ui_.selectCurrentEntry(owner_);
        return;
    }
    const bool started = device_.Play(track);
    // A play the drive refused is no play: the next tick takes the disc up afresh.
    state_ = started ? kPlayerPlaying : kPlayerError;
    plays_ += started ? 1 : 0;
    playOutstanding_ = started;
    playSeen_ = false;
    playStartedAt_ = clock_();
    ui_.showTip(owner_, started ? ui::Tip::Playing : ui::Tip::Stopped, track);
    ui_.selectCurrentEntry(owner_);
}

void PlaybackController::Stop()
{
    device_.Stop();
    // Without a disc taken up there is nothing to stand stopped on: a stopped player takes up
    // no disc, so one put in afterwards would never play.
    if (order_.TrackCount == 0) {
        return;
    }
    ui_.showTip(owner_, ui::Tip::Stopped, order_.CurrentTrack());
    state_ = kPlayerStopped;
    playOutstanding_ = false;
    ui_.selectCurrentEntry(owner_);
    // Worked out in 64 bits: no Whim wraps into a short delay. A negative one, and one longer
    // than the tick count can measure, mean never.
    const LONGLONG delay = LONGLONG{settings_.Whim} * 1000;
    whimArmed_ = delay > 0 && delay <= LONGLONG{MAXDWORD};
    whimArmedAt_ = clock_();
    whimDelay_ = static_cast<DWORD>(delay);
}

void PlaybackController::BuildOrder()
{
    if (settings_.RandomPlay != 0) {
        order_.Shuffle(random_);
    } else {
        order_.Natural();
    }
}

int PlaybackController::Previous()
{
    const BYTE old = order_.position;
    order_.position = static_cast<BYTE>(old - 1);
    if (old == 0) {
        order_.position = static_cast<BYTE>(order_.TrackCount - 1);
        BuildOrder();
    }
    return IDM_PLAY;
}

int PlaybackController::Next()
{
    order_.position = static_cast<BYTE>(order_.position + 1);
    if (order_.position == order_.TrackCount) {
        order_.position = 0;
        BuildOrder();
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
        order_.RandomOn(random_);
    } else {
        order_.RandomOff();
    }
    ui_.syncCheckMarks(owner_);
}

int PlaybackController::OnTick(bool notifyPending)
{
    if (!DeviceOpen()) {
        if (state_ != kPlayerNoDisc) {
            LoseDisc();
        }
        return 0;
    }
    const int count = device_.TrackCount();
    if (count != 0 && state_ != kPlayerPlaying && state_ != kPlayerStopped) {
        return TakeUpDisc();
    }
    if (count == 0 && state_ != kPlayerNoDisc) {
        LoseDisc();
        return 0;
    }
    if (state_ == kPlayerPlaying) {
        return NoticeSilentEnd(notifyPending);
    }
    return state_ == kPlayerStopped && WhimDue() ? IDM_PLAY : 0;
}

// A device that could not be reopened (another program held the drive) is tried again, at
// most every kReopenMs and without a box.
bool PlaybackController::DeviceOpen()
{
    if (!device_.IsOpen() && clock_() - lastOpenTry_ >= kReopenMs) {
        lastOpenTry_ = clock_();
        device_.Open();
    }
    return device_.IsOpen();
}

int PlaybackController::TakeUpDisc()
{
    // Opened afresh for the new disc, unless it was for this disc already: a drive that is
    // not ready just after an open would otherwise never be counted.
    if (!countPending_) {
        device_.Reopen();
        lastOpenTry_ = clock_();
    }
    order_.TrackCount = static_cast<BYTE>(device_.TrackCount());
    order_.position = 0;
    BuildOrder();
    ui_.fillTrackList(owner_);
    playOutstanding_ = false;
    // A drive still spinning up may count no tracks yet: wait for a tick that sees them.
    countPending_ = order_.TrackCount == 0;
    if (countPending_) {
        ui_.showTip(owner_, ui::Tip::NoDisc, 0);
        state_ = kPlayerNoDisc;
        return 0;
    }
    state_ = kPlayerPlaying;
    return IDM_PLAY;
}

void PlaybackController::LoseDisc()
{
    // Opened afresh for the next disc; a device already closed is left to DeviceOpen.
    if (device_.IsOpen()) {
        device_.Reopen();
        lastOpenTry_ = clock_();
    }
    order_.TrackCount = 0;
    ui_.fillTrackList(owner_);
    ui_.syncCheckMarks(owner_);
    ui_.showTip(owner_, ui::Tip::NoDisc, 0);
    state_ = kPlayerNoDisc;
    playOutstanding_ = false;
}

int PlaybackController::NoticeSilentEnd(bool notifyPending)
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
    if (notifyPending) {
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
        lastOpenTry_ = clock_();
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
