#ifndef VELTOCD_LOOKUP_DISC_ID_H
#define VELTOCD_LOOKUP_DISC_ID_H

#include "playback/table_of_contents.h"

// What MusicBrainz knows a disc by, worked out from its table of contents as MusicBrainz
// documents it: the disc ID and the table of contents a lookup sends along. A data track at
// the end (an enhanced CD) is not counted: the audio ends 11400 frames before it starts.
struct LookupDiscId {
    char Id[29];             // 28 characters
    char Toc[16 + 99 * 11];  // "first+last+lead-out+offset+offset...", in frames
    int LastTrack;           // the last track counted

    // False, leaving both texts empty, for a table of contents no disc can have.
    bool Compute(const TableOfContents& toc);
};

#endif
