#ifndef VELTOCD_STAGE_NOTE_SWARM_H
#define VELTOCD_STAGE_NOTE_SWARM_H

#include <windows.h>

// One floating note: its 12 x 19 glyph cell's top-left corner, its sideways direction (+1
// or -1) and its glyph (0..5, or -1 for an empty slot).
struct NoteSlot {
    int x;
    int y;
    int dx;
    int glyph;
};

// The notes that rise from the performer: a ring of Reverb slots (1..8), one new note a
// tick while playing, the oldest one gone a tick after a stop.
class NoteSwarm {
public:
    NoteSwarm();
    ~NoteSwarm();
    NoteSwarm(const NoteSwarm&) = delete;
    NoteSwarm& operator=(const NoteSwarm&) = delete;

    int Reset();
    int ClearIfActive();
    int Advance();
    int Emit();
    int Quiet();
    // Draws the visible notes into the target by AND: black for two ticks, then grey.
    int Draw(HDC target) const;

    const NoteSlot& Slot(int i) const { return slots_[i]; }
    int Current() const { return current_; }  // -1 while idle

private:
    static const int kSlots = 8;

    NoteSlot slots_[kSlots];
    int current_;
    HBITMAP glyphs_;
};

#endif
