#include "playback/playback_controller.h"

#include <mmsystem.h>

#include "playback/cd_audio_device.h"
#include "playback/play_order.h"
#include "playback/ui_hooks.h"
#include "res/resource.h"
#include "settings/settings.h"

namespace {

const char kProgramName[] = "veltoCD";

// A drive may still report stopped while it spins up after a play starts; without having
// seen it play, believe a stop only once this long has passed.
const DWORD kSpinUpMs = 5000;

void PostCommand(HWND host, int id)
{
    PostMessageA(host, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

}  // namespace

PlaybackController::PlaybackController(CdAudioDevice& device, PlayOrder& order, TickClock clock)
    : device_(device),
      order_(order),
      clock_(clock),
      state_(kPlayerInitial),
      whimArmed_(false),
      whimArmedAt_(0),
      whimDelay_(0),
      playOutstanding_(false),
      playSeen_(false),
      playStartedAt_(0)
{
}

void PlaybackController::OnCommand(HWND host, int id, int code)
{
    switch (id) {
    case IDM_EXIT:
        PostMessageA(host, WM_CLOSE, 0, 0);
        break;
    case IDM_TOPMOST:
        ui::TopmostSwitch(host, ShowTopMost == 0 ? 1 : 0);
        break;
    case IDM_PREV:
        Previous(host);
        break;
    case IDM_PLAY:
        Play(host);
        break;
    case IDM_STOP:
        Stop(host);
        break;
    case IDM_NEXT:
        Next(host);
        break;
    case IDC_TRACKLIST:
        if (code == CBN_SELCHANGE) {
            PlaySelectedEntry(host);
        }
        break;
    case IDM_RANDOM:
        ToggleRandom();
        break;
    case IDM_AUTOREPEAT:
        AutoRepeat = AutoRepeat == 0 ? 1 : 0;
        ui::SyncCheckMarks();
        break;
    case IDM_ONETRACK:
        AutoRepeat = 1;
        AllTracksMode = 0;
        ui::SyncCheckMarks();
        break;
    case IDM_ALLTRACKS:
        AllTracksMode = 1;
        ui::SyncCheckMarks();
        break;
    case IDM_SETTINGS:
        ui::RunSettingsDialog(host);
        ui::ApplyTempo(host);
        break;
    default:
        // IDOK and IDCANCEL from Enter and Esc among them: the window stays as it is.
        break;
    }
}

void PlaybackController::Play(HWND host)
{
    const BYTE track = order_.CurrentTrack();
    char tip[64];
    wsprintfA(tip, "%s / #%d 再生中", kProgramName, track);
    ui::SetTip(tip);
    state_ = device_.Play(host, track);
    playOutstanding_ = state_ == kPlayerPlaying;
    playSeen_ = false;
    playStartedAt_ = clock_();
    ui::SelectCurrentEntry(host);
}

void PlaybackController::Stop(HWND host)
{
    const BYTE track = order_.CurrentTrack();
    char tip[64];
    wsprintfA(tip, "%s / #%d 停止中", kProgramName, track);
    ui::SetTip(tip);
    state_ = device_.Stop();
    playOutstanding_ = false;
    ui::SelectCurrentEntry(host);
    whimArmed_ = Whim != 0;
    whimArmedAt_ = clock_();
    whimDelay_ = static_cast<DWORD>(Whim) * 1000u;
}

void PlaybackController::Previous(HWND host)
{
    const BYTE old = order_.position;
    order_.position = static_cast<BYTE>(old - 1);
    if (old == 0) {
        order_.position = static_cast<BYTE>(order_.TrackCount - 1);
        order_.Build();
    }
    PostCommand(host, IDM_PLAY);
}

void PlaybackController::Next(HWND host)
{
    order_.position = static_cast<BYTE>(order_.position + 1);
    if (order_.position == order_.TrackCount) {
        order_.position = 0;
        order_.Build();
    }
    PostCommand(host, IDM_PLAY);
}

void PlaybackController::PlaySelectedEntry(HWND host)
{
    const int selection = static_cast<int>(SendDlgItemMessageA(host, IDC_TRACKLIST, CB_GETCURSEL, 0, 0));
    order_.Seek(static_cast<BYTE>(selection + 1));
    PostCommand(host, IDM_PLAY);
}

void PlaybackController::ToggleRandom()
{
    RandomPlay = RandomPlay == 0 ? 1 : 0;
    if (RandomPlay != 0) {
        order_.RandomOn();
    } else {
        order_.RandomOff();
    }
    ui::SyncCheckMarks();
}

void PlaybackController::OnTick(HWND host)
{
    const int count = device_.TrackCount();
    if (count != 0 && state_ != kPlayerPlaying && state_ != kPlayerStopped) {
        TakeUpDisc(host);
    } else if (count == 0 && state_ != kPlayerNoDisc) {
        LoseDisc(host);
    } else if (state_ == kPlayerPlaying && !NoticeSilentEnd(host)) {
        return;  // shut down meanwhile: nothing is left to post to or draw on
    }
    if (state_ == kPlayerStopped && WhimDue()) {
        PostCommand(host, IDM_PLAY);
    }
    ui::StageTick(host, state_);
}

void PlaybackController::TakeUpDisc(HWND host)
{
    device_.Close();
    device_.Open();
    order_.TrackCount = static_cast<BYTE>(device_.TrackCount());
    order_.position = 0;
    order_.Build();
    ui::FillTrackList(host);
    state_ = kPlayerPlaying;
    playOutstanding_ = false;
    PostCommand(host, IDM_PLAY);
}

void PlaybackController::LoseDisc(HWND host)
{
    device_.Close();
    device_.Open();
    order_.TrackCount = 0;
    ui::FillTrackList(host);
    ui::SyncCheckMarks();
    ui::SetTip("veltoCD / No Disc");
    state_ = kPlayerNoDisc;
    playOutstanding_ = false;
}

bool PlaybackController::NoticeSilentEnd(HWND host)
{
    if (!playOutstanding_) {
        return true;
    }
    const DWORD mode = device_.Mode();
    if (mode == MCI_MODE_PLAY) {
        playSeen_ = true;
        return true;
    }
    if (mode != MCI_MODE_STOP) {
        return true;  // seeking, or the drive cannot say
    }
    if (!playSeen_ && clock_() - playStartedAt_ < kSpinUpMs) {
        return true;
    }
    // A platform that does notify may have done so already: leave the end to that message.
    // The peek also delivers messages sent to the window, a session's end among them.
    MSG pending;
    const bool notified = PeekMessageA(&pending, host, MM_MCINOTIFY, MM_MCINOTIFY, PM_NOREMOVE) != FALSE;
    if (!IsWindow(host)) {
        return false;
    }
    if (notified) {
        return true;
    }
    playOutstanding_ = false;
    EndOfTrack(host);
    return true;
}

void PlaybackController::OnMciNotify(HWND host, WPARAM status)
{
    if (status == MCI_NOTIFY_SUCCESSFUL) {
        // Once per play: the tick may have noticed this end already.
        if (playOutstanding_) {
            playOutstanding_ = false;
            EndOfTrack(host);
        }
    } else if (status == MCI_NOTIFY_FAILURE) {
        playOutstanding_ = false;
        device_.Close();
        device_.Open();
        state_ = kPlayerError;
    }
    // Superseded and aborted plays were ended by a command of ours: nothing to do.
}

void PlaybackController::EndOfTrack(HWND host)
{
    if (AutoRepeat != 0) {
        PostCommand(host, AllTracksMode != 0 ? IDM_NEXT : IDM_PLAY);
    } else if (AllTracksMode != 0) {
        if (order_.TrackCount == order_.position + 1) {
            order_.position = 0;
            PostCommand(host, IDM_STOP);
        } else {
            PostCommand(host, IDM_NEXT);
        }
    } else {
        PostCommand(host, IDM_STOP);
    }
}

bool PlaybackController::WhimDue() const
{
    return whimArmed_ && clock_() - whimArmedAt_ >= whimDelay_;
}
