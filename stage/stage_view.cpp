#include "stage/stage_view.h"

#include "playback/player_state.h"
#include "stage/note_swarm.h"
#include "stage/performer.h"

namespace {

const int kStageWidth = 144;
const int kStageHeight = 104;

}  // namespace

int StageView::Paint(HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    // Composed off screen and copied in one blit, so no half-drawn stage is ever seen.
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP buffer = CreateCompatibleBitmap(dc, kStageWidth, kStageHeight);
    if (memory != nullptr && buffer != nullptr) {
        HGDIOBJ old = SelectObject(memory, buffer);
        performer_.Draw(memory);
        notes_.Draw(memory);
        BitBlt(dc, 0, 0, kStageWidth, kStageHeight, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
    }
    if (buffer != nullptr) {
        DeleteObject(buffer);
    }
    if (memory != nullptr) {
        DeleteDC(memory);
    }
    EndPaint(window, &paint);
    return 1;
}

int StageView::Tick(HWND window, int playerState)
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
    return 1;
}
