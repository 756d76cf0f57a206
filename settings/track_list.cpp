#include "settings/track_list.h"

#include "res/resource.h"
#include "settings/profile_file.h"
#include "settings/registry_value_reader.h"

namespace {

// "D:\", or empty when no drive is configured.
char cdRoot[4];

}  // namespace

void FindCdDrive()
{
    const RegistryValueReader reader(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\control\\MediaResources\\mci\\cdaudio");
    int n = -1;
    reader.ReadValue(nullptr, "Default Drive", &n, -1);
    cdRoot[0] = '\0';
    if (n == -1) {
        return;
    }
    // The n-th CD-ROM drive in letter order; none matches a number past the last or below 0.
    lstrcpyA(cdRoot, "A:\\");
    for (; cdRoot[0] <= 'Z'; ++cdRoot[0]) {
        if (GetDriveTypeA(cdRoot) == DRIVE_CDROM && n-- == 0) {
            return;
        }
    }
    cdRoot[0] = '\0';
}

DWORD DiscId()
{
    DWORD serial = 0;
    if (cdRoot[0] == '\0' ||
        !GetVolumeInformationA(cdRoot, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) {
        return 0;
    }
    return serial;
}

int FillTrackList(HWND window, int trackCount, int currentTrack)
{
    SendDlgItemMessageA(window, IDC_TRACKLIST, CB_RESETCONTENT, 0, 0);
    if (trackCount == 0) {
        // No disc: no volume to ask.
        SendDlgItemMessageA(window, IDC_TRACKLIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("* No Disc *"));
        SendDlgItemMessageA(window, IDC_TRACKLIST, CB_SETCURSEL, 0, 0);
        return 0;
    }
    char section[16];
    wsprintfA(section, "%8X", DiscId());
    // A bare name: the platform looks for it in the Windows directory.
    const ProfileFile titles("cdplayer.ini");
    for (int i = 0; i < trackCount; ++i) {
        char key[16];
        char text[MAX_PATH];
        wsprintfA(key, "%d", i);
        titles.ReadString(section, key, text, "");
        if (text[0] == '\0') {
            wsprintfA(text, "ﾄﾗｯｸ #%3d", i + 1);
        }
        SendDlgItemMessageA(window, IDC_TRACKLIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    SelectCurrentEntry(window, currentTrack);
    return trackCount;
}

void SelectCurrentEntry(HWND window, int currentTrack)
{
    // The list is in track order, whatever the play order: the entry names the track. One
    // the list does not hold clears the selection, which Wine's list would otherwise keep.
    const LRESULT count = SendDlgItemMessageA(window, IDC_TRACKLIST, CB_GETCOUNT, 0, 0);
    const int index = currentTrack >= 1 && currentTrack <= count ? currentTrack - 1 : -1;
    SendDlgItemMessageA(window, IDC_TRACKLIST, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}
