#ifndef VELTOCD_STAGE_STAGE_VIEW_H
#define VELTOCD_STAGE_STAGE_VIEW_H

#include <windows.h>

#include "stage/memory_dc.h"

class NoteSwarm;
class Performer;

// Paints the main window's stage, double-buffered, and moves the animation on by one step a
// tick. The back buffer is made at the first paint and kept until Release.
class StageView {
public:
    StageView(Performer& performer, NoteSwarm& notes);
    ~StageView();
    StageView(const StageView&) = delete;
    StageView& operator=(const StageView&) = delete;

    void Paint(HWND window);
    // The player state decides the step: dance and a new note, rest and one note fewer, or
    // no figure and no notes. Then the window is repainted at once.
    void Tick(HWND window, int playerState);
    // Frees the back buffer; a later paint makes it again.
    void Release();

private:
    Performer& performer_;
    NoteSwarm& notes_;
    HBITMAP buffer_;
    MemoryDc composer_;
};

#endif
