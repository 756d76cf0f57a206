#ifndef VELTOCD_STAGE_MEMORY_DC_H
#define VELTOCD_STAGE_MEMORY_DC_H

#include <windows.h>

// A memory device context made once and kept, so that drawing allocates nothing. Bitmaps
// are selected in and out; the one it was made with goes back before it is deleted.
class MemoryDc {
public:
    MemoryDc() : dc_(nullptr), original_(nullptr) {}
    ~MemoryDc() { Release(); }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;

    // The context, made compatible with `like` on first use, holding `bitmap`.
    HDC Holding(HBITMAP bitmap, HDC like);
    void Release();

private:
    HDC dc_;
    HGDIOBJ original_;
};

#endif
