#ifndef VELTOCD_SETTINGS_CD_DRIVE_H
#define VELTOCD_SETTINGS_CD_DRIVE_H

#include <windows.h>

// The CD drive whose volume serial number names the disc: the one the registry's "Default
// Drive" numbers, or without that value the first, which the cdaudio device itself plays.
class CdDrive {
public:
    CdDrive() : root_() {}

    // Looks the drive up; the program does so once, at start-up.
    void Find();
    bool Found() const { return root_[0] != '\0'; }
    // The serial number of the drive's disc; 0 without a drive or a readable volume.
    DWORD DiscId() const;

private:
    char root_[4];  // "D:\", or empty
};

#endif
