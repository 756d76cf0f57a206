#ifndef VELTOCD_PLAYBACK_CD_AUDIO_DEVICE_H
#define VELTOCD_PLAYBACK_CD_AUDIO_DEVICE_H

#include <windows.h>
#include <mmsystem.h>

// The MCI cdaudio device. Results are player states: 0 failed or closed, 1 playing, 2 stopped.
class CdAudioDevice {
public:
    CdAudioDevice();
    ~CdAudioDevice();
    CdAudioDevice(const CdAudioDevice&) = delete;
    CdAudioDevice& operator=(const CdAudioDevice&) = delete;

    int Open();
    int Close();
    int Stop();
    int TrackCount();
    // Plays one track (to the start of the next, or to the end of the disc for the last)
    // and has MM_MCINOTIFY posted to notifyWindow when it ends.
    int Play(HWND notifyWindow, BYTE track);
    // MCI_MODE_* of the device, 0 when it cannot tell.
    DWORD Mode();

private:
    bool QueryStatus(DWORD item, DWORD_PTR* value);

    MCIDEVICEID deviceId_;
};

#endif
