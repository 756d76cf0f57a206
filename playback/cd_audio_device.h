#ifndef VELTOCD_PLAYBACK_CD_AUDIO_DEVICE_H
#define VELTOCD_PLAYBACK_CD_AUDIO_DEVICE_H

#include <windows.h>
#include <mmsystem.h>

#include "playback/table_of_contents.h"

// The MCI cdaudio device. Each command returns whether the drive accepted it.
class CdAudioDevice {
public:
    CdAudioDevice();
    ~CdAudioDevice();
    CdAudioDevice(const CdAudioDevice&) = delete;
    CdAudioDevice& operator=(const CdAudioDevice&) = delete;

    // The window MM_MCINOTIFY goes to when a play ends.
    void NotifyTo(HWND window) { notifyWindow_ = window; }

    // Opens the device and sets the track-minute-second-frame time format; a device that
    // refuses the format is closed again.
    bool Open();
    bool Close();
    // Closed and opened afresh, as a new disc or a failed play needs.
    bool Reopen();
    bool IsOpen() const { return deviceId_ != 0; }
    bool Stop();
    // The number of tracks on the disc; 0 without a disc, a ready drive or an answer.
    int TrackCount();
    // Plays one track, to the start of the next or to the end of the disc for the last.
    bool Play(BYTE track);
    // MCI_MODE_* of the device, 0 when it cannot tell.
    DWORD Mode();
    // Each track's start and kind and the disc's lead-out, asked in MSF; the device is set
    // back to TMSF. False when the drive left any of it unanswered.
    bool ReadTableOfContents(TableOfContents& toc);

private:
    bool QueryStatus(DWORD item, DWORD_PTR* value, DWORD track = 0);
    bool SetTimeFormat(DWORD format);
    bool ReadTracks(TableOfContents& toc);
    bool Send(UINT message, DWORD flags, void* parameters);

    MCIDEVICEID deviceId_;
    HWND notifyWindow_;
};

#endif
