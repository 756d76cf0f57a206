// Drives the built player from another process in the same prefix: starts it, finds its
// windows, sends it messages, keys and clicks, and photographs the screen.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/sim_drive.h"

namespace e2e {

// Where the test runner installs the player, and the settings file beside it.
const char kPlayerExe[] = "C:\\veltoCD\\veltoCD.exe";
const char kSettingsPath[] = "C:\\veltoCD\\veltoCD.ini";

// Long enough for a loaded machine; a test that waits this long has failed anyway.
const DWORD kTimeoutMs = 10000;

// Three minute-long tracks: nothing ends by itself during a test.
inline sim::Disc LongDisc() { return sim::discWithTracks({60000, 60000, 60000}); }
// Sets the scene for the next run: the settings file absent (nullptr) or holding exactly
// `settings`, this disc in the drive, and an empty drive log.
void SetScene(const char* settings, const sim::Disc& disc = LongDisc());

// One run of the player, by default started from another directory, so that it must find
// its settings by its own path (and finds no pictures). With `showsWindow` the constructor
// waits for the visible main window. The destructor ends a run the test left going: a
// clean close first, the handle if need be.
class Player {
public:
    explicit Player(const char* exe = kPlayerExe, bool showsWindow = true, const char* dir = "C:\\");
    ~Player() { End(); }
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    bool Running() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }
    // The exit code, or STILL_ACTIVE if the player still runs after timeoutMs.
    DWORD WaitForExit(DWORD timeoutMs = kTimeoutMs) const;
    // Posts the message (WM_CLOSE, WM_ENDSESSION) and waits for the end, as WaitForExit.
    DWORD Close(UINT message = WM_CLOSE, WPARAM wParam = 0) const;
    bool Press(WORD key, bool alt = false) const;
    // Its visible top-level windows of this class ("#32768" for menus), the top one first.
    std::vector<HWND> Shown(const char* className) const;

    HANDLE Process() const { return info_.hProcess; }

    HWND window = nullptr;  // "#32770" titled "veltoCD", owned by nobody

private:
    void End();

    PROCESS_INFORMATION info_ = {};
};

// A visible window of the test's own: something to take the foreground from the player,
// or to compare its place in the Z order with.
struct Bystander {
    Bystander(int x, int y) : window(CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, x, y, 160, 60, nullptr, nullptr, nullptr, nullptr)) {}
    ~Bystander() { DestroyWindow(window); }
    HWND window;
};

// Asks until the window is in the foreground: under load another window's late activation
// may win over the first request.
bool BringToFront(HWND window);
// A key, with Alt held or not, through the system's input queue to this window, brought to
// the front first.
bool Press(HWND window, WORD key, bool alt = false);
// The window of this thread's process that has the keyboard focus.
HWND Focus(HWND window);
inline bool IsTopmost(HWND window) { return (GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }
// True if `upper` comes before `lower` among the top-level windows, top to bottom.
bool IsAbove(HWND upper, HWND lower);
// Direct children of this class.
std::vector<HWND> ChildrenOf(HWND window, const char* className);
std::string ClassOf(HWND window);
std::string TextOf(HWND window);

// A click at a point of the screen through the system's input queue; the cursor stays there.
bool ClickAt(POINT point, bool rightButton);

std::string ReadFileBytes(const char* path);
// One value of the settings file's GENERAL section as the platform reads it; "" if missing.
std::string SavedSetting(const char* key);

}  // namespace e2e
