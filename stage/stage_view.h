#ifndef VELTOCD_STAGE_STAGE_VIEW_H
#define VELTOCD_STAGE_STAGE_VIEW_H

#include <windows.h>

#include "stage/memory_dc.h"

class NoteSwarm;
class Performer;

// Composes the stage, double-buffered, and moves the animation on by one step a tick. It knows
// no window: it draws into the device context its owner gives it. The stage is composed at its
// own size in a back buffer, made at the first paint and kept until Release, and copied to the
// whole of the size it is given, scaled.
class StageView {
public:
    StageView(Performer& performer, NoteSwarm& notes);
    ~StageView();
    StageView(const StageView&) = delete;
    StageView& operator=(const StageView&) = delete;

    // Draws the whole stage into dc, at this size from its origin.
    void Paint(HDC dc, SIZE size);
    // The player state decides the step: dance and a new note, rest and one note fewer, or
    // no figure and no notes.
    void Step(int playerState);
    // Frees the back buffer; a later paint makes it again.
    void Release();

private:
    // A 32-bit picture whose pixels the program reads and writes itself.
    struct Pixels {
        HBITMAP bitmap;
        DWORD* bits;
        SIZE size;
    };
    // Made for this size unless it already is; false if it cannot be.
    static bool Ensure(Pixels& pixels, MemoryDc& holder, SIZE size, HDC like);
    static void Free(Pixels& pixels, MemoryDc& holder);
    void ScaleStage();

    Performer& performer_;
    NoteSwarm& notes_;
    Pixels stage_;   // the stage composed at its own size
    Pixels scaled_;  // and at the client's, when the display is scaled
    MemoryDc composer_;
    MemoryDc copier_;
};

#endif
