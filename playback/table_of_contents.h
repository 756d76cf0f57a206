#ifndef VELTOCD_PLAYBACK_TABLE_OF_CONTENTS_H
#define VELTOCD_PLAYBACK_TABLE_OF_CONTENTS_H

#include <windows.h>

// A disc's table of contents as the drive gives it. Positions are frames (75 a second) from
// the very start of the disc, its 150-frame lead-in included, as MSF positions count them.
struct TableOfContents {
    int TrackCount;        // 1..99
    DWORD TrackStart[99];  // where track i + 1 starts
    bool Audio[99];        // false for a data track
    DWORD LeadOut;         // where the last track ends
};

#endif
