#ifndef VELTOCD_PLAYBACK_UI_HOOKS_H
#define VELTOCD_PLAYBACK_UI_HOOKS_H

// What playback tells the user interface it has changed. The controller is given these
// functions once, with the owner they are called for: the program's in app/, a test's own.
namespace ui {

enum class Tip {
    Playing,
    Stopped,
    NoDisc
};

struct Hooks {
    // The notification-area tip: the track playing or stopped on, or no disc.
    void (*showTip)(void* owner, Tip tip, int track);
    // The track list refilled for the play order's disc, and its selection on the current track.
    void (*fillTrackList)(void* owner);
    void (*selectCurrentEntry)(void* owner);
    // The menu's marks brought in line with the settings.
    void (*syncCheckMarks)(void* owner);
};

}  // namespace ui

#endif
