#ifndef VELTOCD_STAGE_NOTE_SWARM_H
#define VELTOCD_STAGE_NOTE_SWARM_H

#include <windows.h>

#include "settings/settings.h"
#include "stage/memory_dc.h"

// One floating note: its 12 x 19 glyph cell's top-left corner, its sideways direction (+1
// or -1) and its glyph (0..5, or -1 for an empty slot).
class Random;

struct NoteSlot {
    int x;
    int y;
    int dx;
    int glyph;
};

// The notes that rise from the performer: a ring of Reverb slots, one new note a tick while
// playing, the oldest one gone a tick after a stop.
class NoteSwarm {
public:
    // The ring's length is the settings' Reverb, read afresh at every use; the notes' places
    // are drawn from random.
    NoteSwarm(const Settings& settings, Random& random);
    ~NoteSwarm();
    NoteSwarm(const NoteSwarm&) = delete;
    NoteSwarm& operator=(const NoteSwarm&) = delete;

    void Reset();
    void ClearIfActive();
    void Advance();
    void Emit();
    void Quiet();
    // Draws the visible notes into the target by AND: black for two ticks, then grey.
    void Draw(HDC target);

    const NoteSlot& Slot(int i) const { return slots_[i]; }
    int Current() const { return current_; }  // -1 while idle

private:
    static const int kSlots = kReverbMax;

    int RingLength() const;

    NoteSlot slots_[kSlots];
    int current_;
    const Settings& settings_;
    Random& random_;
    HBITMAP glyphs_;
    MemoryDc sheet_;
};

#endif
