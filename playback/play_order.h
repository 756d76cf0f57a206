#ifndef VELTOCD_PLAYBACK_PLAY_ORDER_H
#define VELTOCD_PLAYBACK_PLAY_ORDER_H

#include <windows.h>

class Random;

// Which track plays at each position: natural order, or shuffled for random play.
// Byte arithmetic on purpose: positions and counts wrap modulo 256.
struct PlayOrder {
    BYTE order[256];  // order[i] is the track played at position i
    BYTE TrackCount;  // 0 without a disc
    BYTE position;

    // The natural order 1, 2, 3, ...; shuffled with numbers drawn from random.
    void Natural();
    void Shuffle(Random& random);
    int Seek(BYTE track);
    // Random play switched on or off: the position follows the track playing.
    void RandomOn(Random& random);
    void RandomOff();
    BYTE CurrentTrack() const { return order[position]; }
};

static_assert(sizeof(PlayOrder) == 258, "the play order is a 258-byte record");

#endif
