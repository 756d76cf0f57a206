#include "playback/cd_audio_device.h"

CdAudioDevice::CdAudioDevice() : deviceId_(0), notifyWindow_(nullptr)
{
}

CdAudioDevice::~CdAudioDevice()
{
    Close();
}

bool CdAudioDevice::Send(UINT message, DWORD flags, void* parameters)
{
    return mciSendCommandA(deviceId_, message, flags, reinterpret_cast<DWORD_PTR>(parameters)) == 0;
}

bool CdAudioDevice::Open()
{
    MCI_OPEN_PARMSA open = {};
    open.lpstrDeviceType = "cdaudio";
    if (mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&open)) != 0) {
        // The platform fills in an id even when the open fails; keep the one we had.
        return false;
    }
    deviceId_ = open.wDeviceID;

    MCI_SET_PARMS set = {};
    set.dwTimeFormat = MCI_FORMAT_TMSF;
    if (!Send(MCI_SET, MCI_SET_TIME_FORMAT | MCI_WAIT, &set)) {
        Close();
        return false;
    }
    return true;
}

bool CdAudioDevice::Close()
{
    if (!IsOpen()) {
        return false;
    }
    Stop();
    MCI_GENERIC_PARMS close = {};
    const bool closed = Send(MCI_CLOSE, MCI_WAIT, &close);
    // Whatever the answer, the id is no longer ours to use.
    deviceId_ = 0;
    return closed;
}

bool CdAudioDevice::Reopen()
{
    Close();
    return Open();
}

bool CdAudioDevice::Stop()
{
    MCI_GENERIC_PARMS stop = {};
    return Send(MCI_STOP, MCI_WAIT, &stop);
}

bool CdAudioDevice::QueryStatus(DWORD item, DWORD_PTR* value, DWORD track)
{
    MCI_STATUS_PARMS status = {};
    status.dwItem = item;
    status.dwTrack = track;
    if (!Send(MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT | (track != 0 ? MCI_TRACK : 0), &status)) {
        return false;
    }
    *value = status.dwReturn;
    return true;
}

int CdAudioDevice::TrackCount()
{
    // Each query only if the previous one said yes: an error counts as no disc.
    DWORD_PTR value = 0;
    if (!QueryStatus(MCI_STATUS_MEDIA_PRESENT, &value) || value == 0) {
        return 0;
    }
    if (!QueryStatus(MCI_STATUS_READY, &value) || value == 0) {
        return 0;
    }
    if (!QueryStatus(MCI_STATUS_NUMBER_OF_TRACKS, &value)) {
        return 0;
    }
    return static_cast<int>(value);
}

bool CdAudioDevice::Play(BYTE track)
{
    // A track the disc lacks (it was swapped for a shorter one since it was counted) is not
    // asked for: the drive would refuse it all the same.
    const int count = TrackCount();
    if (count == 0 || track > count) {
        return false;
    }
    MCI_PLAY_PARMS play = {};
    DWORD flags = MCI_FROM | MCI_NOTIFY;
    play.dwFrom = MCI_MAKE_TMSF(track, 0, 0, 0);
    if (track < count) {
        // Stop at the start of the next track; the last one plays to the end of the disc.
        play.dwTo = MCI_MAKE_TMSF(track + 1, 0, 0, 0);
        flags |= MCI_TO;
    }
    play.dwCallback = reinterpret_cast<DWORD_PTR>(notifyWindow_);
    return Send(MCI_PLAY, flags, &play);
}

DWORD CdAudioDevice::Mode()
{
    DWORD_PTR mode = 0;
    return QueryStatus(MCI_STATUS_MODE, &mode) ? static_cast<DWORD>(mode) : 0;
}

bool CdAudioDevice::SetTimeFormat(DWORD format)
{
    MCI_SET_PARMS set = {};
    set.dwTimeFormat = format;
    return Send(MCI_SET, MCI_SET_TIME_FORMAT | MCI_WAIT, &set);
}

namespace {

DWORD FramesOf(DWORD_PTR msf)
{
    return MCI_MSF_MINUTE(msf) * 4500 + MCI_MSF_SECOND(msf) * 75 + MCI_MSF_FRAME(msf);
}

}  // namespace

bool CdAudioDevice::ReadTracks(TableOfContents& toc)
{
    DWORD_PTR count = 0;
    if (!QueryStatus(MCI_STATUS_NUMBER_OF_TRACKS, &count) || count < 1 || count > 99) {
        return false;
    }
    toc.TrackCount = static_cast<int>(count);
    for (DWORD track = 1; track <= count; ++track) {
        DWORD_PTR start = 0;
        DWORD_PTR kind = 0;
        if (!QueryStatus(MCI_STATUS_POSITION, &start, track) || !QueryStatus(MCI_CDA_STATUS_TYPE_TRACK, &kind, track)) {
            return false;
        }
        toc.TrackStart[track - 1] = FramesOf(start);
        toc.Audio[track - 1] = kind == MCI_CDA_TRACK_AUDIO;
    }
    DWORD_PTR length = 0;
    if (!QueryStatus(MCI_STATUS_LENGTH, &length, static_cast<DWORD>(count))) {
        return false;
    }
    // The platform gives the last track one frame less than it takes to reach the lead-out.
    toc.LeadOut = toc.TrackStart[count - 1] + FramesOf(length) + 1;
    return true;
}

bool CdAudioDevice::ReadTableOfContents(TableOfContents& toc)
{
    // Whole-disc positions come in MSF; playback goes on in TMSF whatever was answered.
    const bool read = SetTimeFormat(MCI_FORMAT_MSF) && ReadTracks(toc);
    return SetTimeFormat(MCI_FORMAT_TMSF) && read;
}
