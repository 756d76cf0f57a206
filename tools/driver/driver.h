// Drives the built player from another program in the same Wine prefix or Windows session,
// as a user would: starts it, finds its windows, sends it messages, keys and clicks, and
// waits for what it does. The end-to-end tests and the benchmarks use it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace driver {

// Long enough for a loaded machine; whoever waits this long has failed anyway.
const DWORD kTimeoutMs = 10000;

// Handles the calling thread's messages until done() holds or timeoutMs has passed, and
// returns done()'s last answer. A round of messages is bounded, so a flood cannot hang it.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
inline void Pump(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

// One run of the player. With `showsWindow` the constructor waits for its visible main
// window. The destructor ends a run still going: a clean close first, the handle if need be.
class Player {
public:
    // exe and dir in UTF-8.
    Player(const char* exe, bool showsWindow, const char* dir);
    ~Player() { End(); }
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;
    bool Started(bool showsWindow) const { return info_.hProcess != nullptr && (!showsWindow || window != nullptr); }
    bool Running() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }
    HANDLE Process() const { return info_.hProcess; }
    // Its private bytes (the figure Wine fills in, as PagefileUsage; not PrivateUsage).
    SIZE_T PrivateBytes() const;
    // The exit code, or STILL_ACTIVE if the player still runs after timeoutMs.
    DWORD WaitForExit(DWORD timeoutMs = kTimeoutMs) const;
    // Posts the message (WM_CLOSE, WM_ENDSESSION) and waits for the end, as WaitForExit.
    DWORD Close(UINT message = WM_CLOSE, WPARAM wParam = 0) const;
    bool Press(WORD key, WORD modifier = 0) const;
    // Its visible top-level windows of this class ("#32768" for menus).
    std::vector<HWND> Shown(const char* className) const;
    // A visible dialog or message box of its, owned by another window of its; none if none.
    HWND OwnedDialog() const;

    HWND window = nullptr;  // "#32770" titled "veltoCD", owned by nobody

protected:
    void End();

private:
    PROCESS_INFORMATION info_ = {};
};

// A window of the driver's own, to take the foreground or to be compared in the Z order with.
struct Bystander {
    Bystander(int x, int y)
        : window(CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, x, y, 160, 60, nullptr, nullptr, nullptr, nullptr))
    {
    }
    ~Bystander() { DestroyWindow(window); }
    HWND window;
};

// The icons in Wine's notification area, one visible window each.
std::vector<HWND> TrayIcons();
// Copies what the screen shows of a window's client area, from its top-left corner, into dc.
bool CaptureClient(HWND window, HDC dc, int width, int height);

// Asks until the window is in the foreground: another window's late activation may win once.
bool BringToFront(HWND window);
// A key, with a modifier (VK_MENU for Alt, VK_SHIFT) held or none, through the system's
// input queue to this window, brought to the front first.
bool Press(HWND window, WORD key, WORD modifier = 0);
// Types the text, as characters, into whatever has the focus.
bool Type(const std::string& utf8);
// A click at a point of the screen through the system's input queue.
bool ClickAt(POINT point, bool rightButton);
// The window of that window's thread that has the keyboard focus.
HWND Focus(HWND window);
inline bool IsTopmost(HWND window)
{
    return (GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}
// True if `upper` comes before `lower` among the top-level windows, top to bottom.
bool IsAbove(HWND upper, HWND lower);
std::vector<HWND> ChildrenOf(HWND window, const char* className);
// Texts are read as Unicode, whatever the code page, and given in UTF-8.
std::string Utf8(const wchar_t* text);
std::wstring Wide(const std::string& utf8);
// A window's text, a control's of another process included (asked for with WM_GETTEXT).
std::string TextOf(HWND window);
// An entry of another process's drop-down list.
std::string EntryOf(HWND list, int index);
// An item's rectangle in another process's list view (LVM_GETITEMRECT through its memory);
// empty if it cannot be read.
RECT ItemRectOf(HANDLE process, HWND listView, int index);

}  // namespace driver
