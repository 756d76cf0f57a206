#ifndef VELTOCD_SETTINGS_DISC_TITLES_H
#define VELTOCD_SETTINGS_DISC_TITLES_H

#include <windows.h>

#include "settings/profile_file.h"

// The disc's identity and its titles. The CD drive whose volume serial number names the
// disc is chosen once, at start-up: the one the registry's "Default Drive" numbers, or
// without that value the first, which the cdaudio device itself plays.
void FindCdDrive();
bool CdDriveFound();
// The serial number of the chosen drive's disc; 0 without a drive or a readable volume.
DWORD DiscId();

// The titles the shared cdplayer.ini gives a disc: its section is the disc's identifier.
class DiscTitles {
public:
    explicit DiscTitles(DWORD discId);

    // The title of the track at this 0-based index, empty where the file has none; a longer
    // one is cut at a character boundary.
    void Title(int index, wchar_t (&title)[MAX_PATH]) const;

    // Whether the system's code page, in which other programs read the file, holds the title.
    static bool CanStore(const wchar_t* title);
    // Whether the file can be written now: the Windows folder may be closed to the user, or
    // another program may hold the file.
    static bool Writable();
    // Stores a title; an empty one removes the track's key. False if the platform refused.
    bool Store(int index, const wchar_t* title) const;

private:
    wchar_t section_[16];
    ProfileFile file_;
};

#endif
