#include "playback/play_order.h"

#include "common/random.h"

void PlayOrder::Natural()
{
    for (int i = 0; i < 256; ++i) {
        order[i] = static_cast<BYTE>(i + 1);
    }
}

void PlayOrder::Shuffle(Random& random)
{
    Natural();
    // Every position is swapped with a random one three times over, one number per swap.
    for (int i = 0; i < 3 * TrackCount; ++i) {
        const int r = random.NextRandom() % TrackCount;
        const int j = i % TrackCount;
        const BYTE swap = order[r];
        order[r] = order[j];
        order[j] = swap;
    }
}

int PlayOrder::Seek(BYTE track)
{
    for (int i = 0; i < TrackCount; ++i) {
        if (order[i] == track) {
            position = static_cast<BYTE>(i);
            return i;
        }
    }
    position = 0;
    return 0;
}

void PlayOrder::RandomOn(Random& random)
{
    // The order was natural, so position + 1 is the track playing: follow it to its new place.
    Shuffle(random);
    Seek(static_cast<BYTE>(position + 1));
}

void PlayOrder::RandomOff()
{
    position = static_cast<BYTE>(order[position] - 1);
    Natural();
}
