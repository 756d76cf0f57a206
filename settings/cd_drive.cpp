#include "settings/cd_drive.h"

#include "settings/registry_value_reader.h"

void CdDrive::Find()
{
    const RegistryValueReader reader(HKEY_LOCAL_MACHINE,
                                     "System\\CurrentControlSet\\control\\MediaResources\\mci\\cdaudio");
    // Without a value (or with one that is no number) the first drive; -1 is none.
    int n = reader.ReadValue(nullptr, "Default Drive", 0);
    root_[0] = '\0';
    if (n == -1) {
        return;
    }
    // The n-th CD-ROM drive in letter order; none matches a number past the last or below 0.
    lstrcpyA(root_, "A:\\");
    for (; root_[0] <= 'Z'; ++root_[0]) {
        if (GetDriveTypeA(root_) == DRIVE_CDROM && n-- == 0) {
            return;
        }
    }
    root_[0] = '\0';
}

DWORD CdDrive::DiscId() const
{
    DWORD serial = 0;
    if (!Found() || !GetVolumeInformationA(root_, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) {
        return 0;
    }
    return serial;
}
