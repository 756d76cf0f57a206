#include "settings/disc_titles.h"

#include "settings/registry_value_reader.h"

namespace {

// "D:\", or empty when no drive is configured.
char cdRoot[4];

}  // namespace

void FindCdDrive()
{
    const RegistryValueReader reader(HKEY_LOCAL_MACHINE,
                                     "System\\CurrentControlSet\\control\\MediaResources\\mci\\cdaudio");
    int n = reader.ReadValue(nullptr, "Default Drive", -1);
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
    if (cdRoot[0] == '\0' || !GetVolumeInformationA(cdRoot, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) {
        return 0;
    }
    return serial;
}

// A bare name: the platform looks for it in the Windows directory.
DiscTitles::DiscTitles(DWORD discId) : file_(L"cdplayer.ini")
{
    wsprintfW(section_, L"%8X", discId);
}

void DiscTitles::Title(int index, wchar_t (&title)[MAX_PATH]) const
{
    wchar_t key[16];
    wsprintfW(key, L"%d", index);
    file_.ReadString(section_, key, title, L"");
}
