#include "playback/cd_audio_device.h"

CdAudioDevice::CdAudioDevice() : deviceId_(0) {}

CdAudioDevice::~CdAudioDevice()
{
    Close();
}

int CdAudioDevice::Open()
{
    MCI_OPEN_PARMSA open = {};
    open.lpstrDeviceType = "cdaudio";
    if (mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&open)) != 0) {
        // The platform fills in an id even when the open fails; keep the one we had.
        return 0;
    }
    deviceId_ = open.wDeviceID;

    MCI_SET_PARMS set = {};
    set.dwTimeFormat = MCI_FORMAT_TMSF;
    if (mciSendCommandA(deviceId_, MCI_SET, MCI_SET_TIME_FORMAT | MCI_WAIT,
                        reinterpret_cast<DWORD_PTR>(&set)) != 0) {
        Close();
        return 0;
    }
    return 2;
}

int CdAudioDevice::Close()
{
    Stop();
    MCI_GENERIC_PARMS close = {};
    mciSendCommandA(deviceId_, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&close));
    return 0;
}

int CdAudioDevice::Stop()
{
    MCI_GENERIC_PARMS stop = {};
    mciSendCommandA(deviceId_, MCI_STOP, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&stop));
    return 2;
}

bool CdAudioDevice::QueryStatus(DWORD item, DWORD_PTR* value)
{
    MCI_STATUS_PARMS status = {};
    status.dwItem = item;
    if (mciSendCommandA(deviceId_, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT,
                        reinterpret_cast<DWORD_PTR>(&status)) != 0) {
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

int CdAudioDevice::Play(HWND notifyWindow, BYTE track)
{
    const int count = TrackCount();
    if (count == 0) {
        return 0;
    }
    MCI_PLAY_PARMS play = {};
    DWORD flags = MCI_FROM | MCI_NOTIFY;
    play.dwFrom = MCI_MAKE_TMSF(track, 0, 0, 0);
    if (track < count) {
        // Stop at the start of the next track; the last one plays to the end of the disc.
        play.dwTo = MCI_MAKE_TMSF(track + 1, 0, 0, 0);
        flags |= MCI_TO;
    }
    play.dwCallback = reinterpret_cast<DWORD_PTR>(notifyWindow);
    return mciSendCommandA(deviceId_, MCI_PLAY, flags, reinterpret_cast<DWORD_PTR>(&play)) == 0 ? 1 : 0;
}

DWORD CdAudioDevice::Mode()
{
    DWORD_PTR mode = 0;
    return QueryStatus(MCI_STATUS_MODE, &mode) ? static_cast<DWORD>(mode) : 0;
}
