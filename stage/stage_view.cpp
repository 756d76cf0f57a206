#include "stage/stage_view.h"

#include "playback/player_state.h"
#include "stage/note_swarm.h"
#include "stage/performer.h"
#include "stage/stage_size.h"

StageView::StageView(Performer& performer, NoteSwarm& notes) : performer_(performer), notes_(notes), stage_(), scaled_()
{
}

StageView::~StageView()
{
    Release();
}

bool StageView::Ensure(Pixels& pixels, MemoryDc& holder, SIZE size, HDC like)
{
    if (pixels.bitmap != nullptr && pixels.size.cx == size.cx && pixels.size.cy == size.cy) {
        return true;
    }
    Free(pixels, holder);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, size.cx, -size.cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};  // top-down
    void* bits = nullptr;
    pixels.bitmap = CreateDIBSection(like, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    pixels.bits = static_cast<DWORD*>(bits);
    pixels.size = size;
    return pixels.bitmap != nullptr;
}

void StageView::Free(Pixels& pixels, MemoryDc& holder)
{
    holder.Release();  // a bitmap still selected could not be deleted
    if (pixels.bitmap != nullptr) {
        DeleteObject(pixels.bitmap);
    }
    pixels = Pixels();
}

// Nearest neighbour: each pixel of the client takes the stage pixel it lies on, so a whole
// scale gives whole blocks, and no scale a colour the stage lacks.
void StageView::ScaleStage()
{
    GdiFlush();  // the composing blits are done before their pixels are read
    for (LONG y = 0; y < scaled_.size.cy; ++y) {
        const DWORD* from = stage_.bits + y * kStageHeight / scaled_.size.cy * kStageWidth;
        DWORD* to = scaled_.bits + y * scaled_.size.cx;
        for (LONG x = 0; x < scaled_.size.cx; ++x) {
            to[x] = from[x * kStageWidth / scaled_.size.cx];
        }
    }
}

void StageView::Paint(HDC dc, SIZE size)
{
    const SIZE stageSize = {kStageWidth, kStageHeight};
    // Composed off screen and copied in one blit, so no half-drawn stage is ever seen.
    if (!Ensure(stage_, composer_, stageSize, dc)) {
        return;
    }
    HDC memory = composer_.Holding(stage_.bitmap, dc);
    performer_.Draw(memory);
    notes_.Draw(memory);
    if (size.cx == kStageWidth && size.cy == kStageHeight) {
        BitBlt(dc, 0, 0, kStageWidth, kStageHeight, memory, 0, 0, SRCCOPY);
    } else if (size.cx > 0 && size.cy > 0 && Ensure(scaled_, copier_, size, dc)) {
        ScaleStage();
        BitBlt(dc, 0, 0, size.cx, size.cy, copier_.Holding(scaled_.bitmap, dc), 0, 0, SRCCOPY);
    }
}

void StageView::Step(int playerState)
{
    // The performer draws from the random generator before the notes.
    if (playerState == kPlayerPlaying) {
        performer_.Step();
        notes_.Emit();
    } else if (playerState == kPlayerStopped) {
        performer_.Rest();
        notes_.Quiet();
    } else {
        performer_.Hide();
        notes_.ClearIfActive();
    }
}

void StageView::Release()
{
    Free(stage_, composer_);
    Free(scaled_, copier_);
}
