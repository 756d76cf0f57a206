#ifndef VELTOCD_SETTINGS_DISC_TITLES_H
#define VELTOCD_SETTINGS_DISC_TITLES_H

#include <windows.h>

#include "settings/profile_file.h"

// The longest title a user may give, with its terminator.
const int kTitleSize = 1024;

// The titles the shared cdplayer.ini gives a disc. Its section is the disc's identifier; its
// keys are the tracks' 0-based numbers, and "artist" and "title" for the disc itself. Other
// programs read and write the file too, in the system's code page.
class DiscTitles {
public:
    // A disc without an identifier (0) has no titles: nothing is read or stored for it.
    explicit DiscTitles(DWORD discId);

    // A track's key.
    static void TrackKey(int index, wchar_t (&key)[8]);
    // The key's value, empty where the file has none, cut between characters at kTitleSize;
    // false if it was cut.
    bool Read(const wchar_t* key, wchar_t (&text)[kTitleSize]) const;

    // Whether the code page, the system's in which other programs read the file, holds the title.
    static bool CanStore(const wchar_t* title, UINT codePage = GetACP());
    // Stores a value, an empty one removing its key, and reads it back: true only if the file
    // then gives every reader exactly this value.
    bool Store(const wchar_t* key, const wchar_t* title) const;

private:
    DWORD discId_;
    wchar_t section_[16];
    ProfileFile file_;
};

#endif
