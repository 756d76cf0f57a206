// Drives the built player from another process in the same prefix: starts it, finds its
// windows, sends it messages and keys, waits for its end, and photographs the screen.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/sim_drive.h"

namespace e2e {

// Where the test runner installs the player, and the settings file beside it.
extern const char kPlayerExe[];
extern const char kSettingsPath[];

// Long enough for a slow machine; a test that waits this long has failed anyway.
const DWORD kWindowTimeoutMs = 10000;
const DWORD kExitTimeoutMs = 10000;

// One run of veltoCD.exe. The destructor ends a run the test left going: a clean close
// first, the process handle only if that does not work.
class PlayerProcess {
public:
    PlayerProcess() = default;
    ~PlayerProcess();
    PlayerProcess(const PlayerProcess&) = delete;
    PlayerProcess& operator=(const PlayerProcess&) = delete;

    bool Start();
    // The visible main window ("#32770" titled "veltoCD"), or nullptr after timeoutMs.
    HWND WaitForWindow(DWORD timeoutMs);
    // From CreateProcess to the first sight of the visible main window.
    DWORD LaunchMilliseconds() const { return windowTick_ - startTick_; }

    HWND Window() const { return window_; }
    DWORD Pid() const { return info_.dwProcessId; }
    bool Running() const;
    // False while it still runs after timeoutMs; exitCode is set once it has ended.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode);

    bool Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    // Makes the main window the foreground window, as a click on it would.
    bool BringToFront(DWORD timeoutMs) const;
    // Keys through the system's input queue, so they pass the player's message loop.
    bool PressAlt(char letter) const;
    bool PressKey(WORD virtualKey) const;
    // The window that has the keyboard focus in the player's GUI thread.
    HWND FocusWindow() const;

private:
    PROCESS_INFORMATION info_ = {};
    HWND window_ = nullptr;
    DWORD startTick_ = 0;
    DWORD windowTick_ = 0;
};

// Sets the scene for the next run: this disc in the drive, an empty drive log, and the
// settings file absent (nullptr) or holding exactly `settings`.
bool PrepareRun(const simdrive::Disc& disc, const char* settings);
// Three minute-long tracks: nothing ends by itself during a test.
simdrive::Disc LongDisc();
// Posts the message (WM_CLOSE or WM_ENDSESSION); the exit code, or STILL_ACTIVE if the
// player did not end.
DWORD CloseAndWait(PlayerProcess& player, UINT message = WM_CLOSE, WPARAM wParam = 0);

// A visible window of the test's own: something to take the foreground from the player,
// or to compare its place in the Z order with.
struct Bystander {
    Bystander(int x, int y);
    ~Bystander();
    Bystander(const Bystander&) = delete;
    Bystander& operator=(const Bystander&) = delete;
    // Handles what other threads send to it while the test waits.
    void Pump() const;
    bool TakeForeground() const;

    HWND window;
};

bool IsTopmost(HWND window);
// Top-level windows of a process, hidden ones included.
std::vector<HWND> TopLevelWindowsOf(DWORD pid);
std::string ClassOf(HWND window);
std::string TextOf(HWND window);
std::vector<HWND> ChildrenOf(HWND window, const char* className);

// A click of the left or the right button at a point of the screen, through the system's
// input queue: the cursor moves there first and stays there.
bool ClickAt(POINT point, bool rightButton);
// The visible popup menus ("#32768") that a process shows, the top one first.
std::vector<HWND> VisibleMenusOf(DWORD pid);

// Polls `done` every stepMs until it holds or timeoutMs has passed; returns its last answer.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD stepMs = 10);

// Whole-file helpers. RemoveFile clears a read-only attribute first; a missing file is fine.
std::string ReadFileBytes(const char* path);
bool WriteFileBytes(const char* path, const std::string& bytes);
bool RemoveFile(const char* path);

// One value of the settings file's GENERAL section as the platform reads it; "" if missing.
std::string SavedSetting(const char* key);

// Lines of a text file without their line ends (CR LF or LF), blank lines dropped.
std::vector<std::string> TextLines(const std::string& bytes);

// Has a window of another process paint itself now and lets the picture reach the screen.
void SettlePainting(HWND window);
// Saves the whole screen as VELTO_ARTIFACTS/<name>.bmp (24-bit); false without the folder.
bool SaveScreenshot(const char* name);

}  // namespace e2e
