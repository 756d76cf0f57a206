#ifndef VELTOCD_STAGE_STAGE_VIEW_H
#define VELTOCD_STAGE_STAGE_VIEW_H

#include <windows.h>

class NoteSwarm;
class Performer;

// Paints the main window's 144 x 104 stage, double-buffered, and moves the animation on by
// one step a tick. It keeps nothing between calls but the two layers it is made of.
class StageView {
public:
    StageView(Performer& performer, NoteSwarm& notes) : performer_(performer), notes_(notes) {}

    int Paint(HWND window);
    // The player state decides the step: dance and a new note, rest and one note fewer, or
    // no figure and no notes. Then the window is repainted at once.
    int Tick(HWND window, int playerState);

private:
    Performer& performer_;
    NoteSwarm& notes_;
};

#endif
