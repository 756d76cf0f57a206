#include "stage/stage_view.h"

#include "playback/player_state.h"
#include "stage/note_swarm.h"
#include "stage/performer.h"
#include "stage/stage_size.h"

StageView::StageView(Performer& performer, NoteSwarm& notes) : performer_(performer), notes_(notes), buffer_(nullptr)
{
}

StageView::~StageView()
{
    Release();
}

void StageView::Paint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (buffer_ == nullptr) {
        buffer_ = CreateCompatibleBitmap(dc, kStageWidth, kStageHeight);
    }
    // Composed off screen and copied in one blit, so no half-drawn stage is ever seen.
    HDC memory = buffer_ != nullptr ? composer_.Holding(buffer_, dc) : nullptr;
    if (memory != nullptr) {
        performer_.Draw(memory);
        notes_.Draw(memory);
        BitBlt(dc, 0, 0, kStageWidth, kStageHeight, memory, 0, 0, SRCCOPY);
    }
    EndPaint(window, &paint);
}

void StageView::Tick(HWND window, int playerState)
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
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

void StageView::Release()
{
    composer_.Release();
    if (buffer_ != nullptr) {
        DeleteObject(buffer_);
        buffer_ = nullptr;
    }
}
