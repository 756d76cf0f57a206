#include "playback_host.h"

#include <mmsystem.h>

#include "playback/ui_hooks.h"
#include "res/resource.h"
#include "support/sim_drive.h"

std::vector<std::string> uiCalls;

namespace ui {

void SyncCheckMarks() { uiCalls.push_back("sync"); }
void SetTip(const char* text) { uiCalls.push_back(std::string("tip ") + text); }
void FillTrackList(HWND) { uiCalls.push_back("fill"); }
void SelectCurrentEntry(HWND) { uiCalls.push_back("select"); }
void StageTick(HWND, int state) { uiCalls.push_back("stage " + std::to_string(state)); }
void RunSettingsDialog(HWND) { uiCalls.push_back("settings"); }
void ApplyTempo(HWND) { uiCalls.push_back("tempo"); }
void TopmostSwitch(HWND, int on) { uiCalls.push_back("topmost " + std::to_string(on)); }

}  // namespace ui

namespace {
const char kClassName[] = "VeltoPlaybackHost";
}

PlaybackHost::PlaybackHost()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);
    window_ = CreateWindowA(kClassName, "host", WS_POPUP, 0, 0, 144, 104, nullptr, nullptr, wc.hInstance, this);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    trackList_ = CreateWindowA("ComboBox", "", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 144, 104, window_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TRACKLIST)), wc.hInstance, nullptr);
    // As the program's start-up leaves it: open, stopped, nothing taken up yet.
    simdrive::clearLog();
    device.Open();
    device.Stop();
    uiCalls.clear();
}

PlaybackHost::~PlaybackHost()
{
    device.Close();
    DestroyWindow(window_);
}

LRESULT CALLBACK PlaybackHost::proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* host = reinterpret_cast<PlaybackHost*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (host != nullptr) {
        if (msg == WM_COMMAND) {
            host->controller.OnCommand(hwnd, LOWORD(wParam), HIWORD(wParam));
            return 0;
        }
        if (msg == WM_CLOSE) {
            return 0;  // the test decides when the host goes
        }
        if (msg == MM_MCINOTIFY) {
            host->controller.OnMciNotify(hwnd, wParam);
            return 0;
        }
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void PlaybackHost::command(int id, int code)
{
    controller.OnCommand(window_, id, code);
    pump(0);
}

void PlaybackHost::tick()
{
    controller.OnTick(window_);
    pump(0);
}

void PlaybackHost::pump(DWORD ms)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (GetTickCount() - start >= ms) {
            break;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

bool PlaybackHost::tickUntilLog(const std::string& text, DWORD tickMs, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        tick();
        for (const std::string& line : simdrive::readLog()) {
            if (line.find(text) != std::string::npos) {
                return true;
            }
        }
        pump(tickMs);
    }
    return false;
}
