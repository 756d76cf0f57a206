#ifndef VELTOCD_PLAYBACK_PLAYER_STATE_H
#define VELTOCD_PLAYBACK_PLAYER_STATE_H

// Values of PlayerState, the state the playback controller keeps and the stage shows.
enum PlayerStateValue : int {
    kPlayerError = 0,  // the device failed; the next tick re-initialises
    kPlayerPlaying = 1,
    kPlayerStopped = 2,
    kPlayerNoDisc = 3,
    kPlayerInitial = 4,
};

#endif
