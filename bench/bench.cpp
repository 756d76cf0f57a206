// Measures veltoCD on the real platform and prints figures; scripts/bench.sh runs it.
//   bench paint N         N stage ticks with their paint, next to N bare blits from a kept buffer
//   bench bare PERIOD     a window that only blits on a timer of PERIOD ms, until closed
//   bench start N EXE     start to visible window of EXE, N times: the median and each
//   bench soak N EXE      private bytes of EXE after start and after N ticks sent to it
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver.h"
#include "common/random.h"
#include "playback/player_state.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "stage/note_swarm.h"
#include "stage/performer.h"
#include "stage/stage_size.h"
#include "stage/stage_view.h"

namespace {

StageView* view;  // the window's painter while the stage is measured; none for the bare blit

// A bare double-buffered paint from a buffer kept between paints, as the stage keeps its
// own: the floor every paint of the stage stands on.
void PaintBare(HWND window)
{
    static HDC memory;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (memory == nullptr) {
        memory = CreateCompatibleDC(dc);
        SelectObject(memory, CreateCompatibleBitmap(dc, kStageWidth, kStageHeight));
    }
    BitBlt(dc, 0, 0, kStageWidth, kStageHeight, memory, 0, 0, SRCCOPY);
    EndPaint(window, &paint);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT && view != nullptr) {
        PAINTSTRUCT paint;
        view->Paint(BeginPaint(window, &paint), SIZE{kStageWidth, kStageHeight});
        EndPaint(window, &paint);
        return 0;
    }
    if (message == WM_PAINT) {
        PaintBare(window);
        return 0;
    }
    if (message == WM_TIMER) {
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeWindow()
{
    WNDCLASSA windowClass = {0,       WindowProc, 0,       0,       GetModuleHandleA(nullptr),
                             nullptr, nullptr,    nullptr, nullptr, "VeltoBench"};
    RegisterClassA(&windowClass);
    return CreateWindowA("VeltoBench", "bench", WS_POPUP | WS_VISIBLE, 200, 200, kStageWidth, kStageHeight, nullptr,
                         nullptr, nullptr, nullptr);
}

double Seconds()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Microseconds per call of `step`, over n calls.
template <typename Step>
double Timed(int n, Step step)
{
    const double start = Seconds();
    for (int i = 0; i < n; ++i) step();
    return (Seconds() - start) * 1e6 / n;
}

int Paint(int n)
{
    Settings settings = {};
    settings.Reverb = 5;
    Random random;
    Performer performer(random);  // the pictures from the current directory
    NoteSwarm notes(settings, random);
    StageView stage(performer, notes);
    HWND window = MakeWindow();
    const auto bare = [window] { InvalidateRect(window, nullptr, FALSE), UpdateWindow(window); };
    Timed(n / 10, bare);  // warm up
    const double floor = Timed(n, bare);
    view = &stage;
    // A tick as the main window makes it: a step, then a paint at once.
    const double tick = Timed(n, [&] {
        stage.Step(kPlayerPlaying);
        bare();
    });
    std::printf("stage tick with paint: %.1f us, bare blit: %.1f us, ratio %.2f\n", tick, floor, tick / floor);
    DestroyWindow(window);
    return 0;
}

int Bare(UINT period)
{
    HWND window = MakeWindow();
    SetTimer(window, 1, period, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}

// The player started where it lives, so that it finds its pictures.
std::string FolderOf(const char* exe)
{
    const std::string path = exe;
    return path.substr(0, path.rfind('\\') + 1);
}

int StartTimes(int n, const char* exe)
{
    std::vector<double> times;
    for (int i = 0; i < n; ++i) {
        const double begin = Seconds();
        driver::Player player(exe, true, FolderOf(exe).c_str());
        times.push_back((Seconds() - begin) * 1000);
    }
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    std::printf("start to visible window: median %.0f ms of", sorted[sorted.size() / 2]);
    for (double t : times) std::printf(" %.0f", t);
    std::printf("\n");
    return 0;
}

int Soak(int n, const char* exe)
{
    driver::Player player(exe, true, FolderOf(exe).c_str());
    driver::Pump(3000);  // the disc found, the first track playing
    HANDLE process = player.Process();
    const SIZE_T before = player.PrivateBytes();
    const DWORD gdiBefore = GetGuiResources(process, GR_GDIOBJECTS),
                userBefore = GetGuiResources(process, GR_USEROBJECTS);
    // Ticks sent, not posted: each is handled before the next, however fast.
    for (int i = 0; i < n; ++i) SendMessageA(player.window, WM_TIMER, IDT_TICK, 0);
    std::printf("private bytes after start: %lu, after %d ticks: %lu\n", static_cast<unsigned long>(before), n,
                static_cast<unsigned long>(player.PrivateBytes()));
    std::printf("GDI objects: %lu -> %lu, user objects: %lu -> %lu (0 where the platform does not count them)\n",
                gdiBefore, GetGuiResources(process, GR_GDIOBJECTS), userBefore,
                GetGuiResources(process, GR_USEROBJECTS));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const int n = argc > 2 ? std::atoi(argv[2]) : 0;
    if (argc == 3 && lstrcmpA(argv[1], "paint") == 0) return Paint(n);
    if (argc == 3 && lstrcmpA(argv[1], "bare") == 0) return Bare(static_cast<UINT>(n));
    if (argc == 4 && lstrcmpA(argv[1], "start") == 0) return StartTimes(n, argv[3]);
    if (argc == 4 && lstrcmpA(argv[1], "soak") == 0) return Soak(n, argv[3]);
    std::fprintf(stderr, "usage: bench paint N | bare PERIOD | start N EXE | soak N EXE\n");
    return 2;
}
