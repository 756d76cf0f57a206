#ifndef VELTOCD_SETTINGS_DISC_TITLES_H
#define VELTOCD_SETTINGS_DISC_TITLES_H

#include <windows.h>

#include "settings/profile_file.h"

// The disc's identity and its titles. The CD drive whose volume serial number names the
// disc is chosen once, at start-up, from the registry's "Default Drive".
void FindCdDrive();
// The serial number of the chosen drive's disc; 0 without a drive or a readable volume.
DWORD DiscId();

// The titles the shared cdplayer.ini gives a disc: its section is the disc's identifier.
class DiscTitles {
public:
    explicit DiscTitles(DWORD discId);

    // The title of the track at this 0-based index, empty where the file has none; a longer
    // one is cut at a character boundary.
    void Title(int index, wchar_t (&title)[MAX_PATH]) const;

private:
    wchar_t section_[16];
    ProfileFile file_;
};

#endif
