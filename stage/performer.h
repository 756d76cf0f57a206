#ifndef VELTOCD_STAGE_PERFORMER_H
#define VELTOCD_STAGE_PERFORMER_H

#include <windows.h>

#include "stage/memory_dc.h"

class Random;

// The dancing figure and the stage it stands on. Both pictures are read once, by bare file
// name from the directory the process started in, and kept for the whole run.
class Performer {
public:
    // Steps draw their numbers from random.
    explicit Performer(Random& random);
    ~Performer();
    Performer(const Performer&) = delete;
    Performer& operator=(const Performer&) = delete;

    // Draws the stage over the whole target, then the current frame unless hidden. The
    // target must keep a new memory DC's colours (black text, white background).
    void Draw(HDC target);
    void Step();
    void Rest();
    void Hide();

    int Frame() const { return frame_; }  // 0..5, or -1 while hidden
    int StepsLeft() const { return stepsLeft_; }
    int Direction() const { return direction_; }

private:
    void LoadPictures();

    int frame_;
    int stepsLeft_;
    int direction_;
    Random& random_;
    HBITMAP stage_;
    HBITMAP sprite_;
    HBITMAP mask_;
    MemoryDc pictures_;  // holds whichever of the three is being drawn
};

#endif
