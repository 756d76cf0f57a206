#include "driver.h"

#include <commctrl.h>
#include <psapi.h>

namespace driver {
namespace {

std::string ClassOf(HWND window)
{
    char name[256];
    return std::string(name, static_cast<size_t>(GetClassNameA(window, name, sizeof name)));
}

using WindowSearch = std::pair<DWORD, std::vector<HWND>>;  // a process, its windows

BOOL CALLBACK CollectWindow(HWND window, LPARAM param)
{
    auto& search = *reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search.first) search.second.push_back(window);
    return TRUE;
}

INPUT Input(DWORD type, WORD key, DWORD flags)
{
    INPUT input = {};
    input.type = type;
    if (type == INPUT_KEYBOARD) input.ki = {key, static_cast<WORD>(MapVirtualKeyA(key, 0)), flags, 0, 0};
    if (type == INPUT_MOUSE) input.mi.dwFlags = flags;
    return input;
}

bool Send(std::vector<INPUT> inputs)
{
    return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

}  // namespace

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    for (const DWORD start = GetTickCount();;) {
        MSG msg;
        for (int round = 0; round < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++round) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        const DWORD spent = GetTickCount() - start;
        if (done() || spent >= timeoutMs) return spent < timeoutMs || done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - spent < 10 ? timeoutMs - spent : 10, QS_ALLINPUT);
    }
}

Player::Player(const char* exe, bool showsWindow, const char* dir)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessW(Wide(exe).c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, Wide(dir).c_str(), &startup,
                        &info_) ||
        !showsWindow)
        return;
    PumpUntil(
        [&] {
            for (HWND w : Shown("#32770"))
                window = TextOf(w) == "veltoCD" && GetWindow(w, GW_OWNER) == nullptr ? w : window;
            return window != nullptr || !Running();
        },
        kTimeoutMs);
    if (window == nullptr) End();
}

void Player::End()
{
    if (Running() && Close() == STILL_ACTIVE) {
        TerminateProcess(info_.hProcess, 1);  // the next test needs the single-instance name free
        WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
    info_ = PROCESS_INFORMATION();
}

DWORD Player::WaitForExit(DWORD timeoutMs) const
{
    DWORD code = STILL_ACTIVE;
    PumpUntil([&] { return !Running(); }, timeoutMs);
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

DWORD Player::Close(UINT message, WPARAM wParam) const
{
    return window != nullptr && PostMessageA(window, message, wParam, 0) ? WaitForExit() : STILL_ACTIVE;
}

bool Player::Press(WORD key, WORD modifier) const
{
    return driver::Press(window, key, modifier);
}

std::vector<HWND> Player::Shown(const char* className) const
{
    WindowSearch search(info_.dwProcessId, {});
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    std::vector<HWND> shown;
    for (HWND w : search.second) {
        if (IsWindowVisible(w) && ClassOf(w) == className) shown.push_back(w);
    }
    return shown;
}

SIZE_T Player::PrivateBytes() const
{
    PROCESS_MEMORY_COUNTERS counters = {};
    GetProcessMemoryInfo(info_.hProcess, &counters, sizeof counters);
    return counters.PagefileUsage;
}

std::vector<HWND> TrayIcons()
{
    std::vector<HWND> icons;
    for (HWND child : ChildrenOf(FindWindowA("Shell_TrayWnd", nullptr), "__wine_tray_icon")) {
        if (IsWindowVisible(child)) icons.push_back(child);
    }
    return icons;
}

bool CaptureClient(HWND window, HDC dc, int width, int height)
{
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    HDC screen = GetDC(nullptr);
    const bool copied = BitBlt(dc, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY) != FALSE;
    ReleaseDC(nullptr, screen);
    return copied;
}

HWND Player::OwnedDialog() const
{
    HWND dialog = nullptr;
    for (HWND w : Shown("#32770")) dialog = GetWindow(w, GW_OWNER) != nullptr ? w : dialog;
    return dialog;
}

bool BringToFront(HWND window)
{
    return PumpUntil([window] { return GetForegroundWindow() == window || (SetForegroundWindow(window), false); },
                     kTimeoutMs);
}

bool Press(HWND window, WORD key, WORD modifier)
{
    std::vector<INPUT> keys = {Input(INPUT_KEYBOARD, key, 0), Input(INPUT_KEYBOARD, key, KEYEVENTF_KEYUP)};
    if (modifier != 0) {
        keys.insert(keys.begin(), Input(INPUT_KEYBOARD, modifier, 0));
        keys.push_back(Input(INPUT_KEYBOARD, modifier, KEYEVENTF_KEYUP));
    }
    return BringToFront(window) && Send(keys);
}

bool Type(const std::string& utf8)
{
    std::vector<INPUT> keys;
    for (const wchar_t unit : Wide(utf8)) {
        for (const DWORD up : {0ul, static_cast<DWORD>(KEYEVENTF_KEYUP)}) {
            INPUT input = {};
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = unit;
            input.ki.dwFlags = KEYEVENTF_UNICODE | up;
            keys.push_back(input);
        }
    }
    return Send(keys);
}

bool ClickAt(POINT point, bool rightButton)
{
    // Moved by hand rather than by an absolute move in the input, whose scaling to pixels
    // may round to a neighbour; Wine may report the old place for a moment after the move.
    const auto arrived = [point] {
        POINT cursor = {};
        return GetCursorPos(&cursor) && cursor.x == point.x && cursor.y == point.y;
    };
    return SetCursorPos(point.x, point.y) && PumpUntil(arrived, kTimeoutMs) &&
           Send({Input(INPUT_MOUSE, 0, rightButton ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN),
                 Input(INPUT_MOUSE, 0, rightButton ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP)});
}

HWND Focus(HWND window)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

bool IsAbove(HWND upper, HWND lower)
{
    for (HWND window = GetTopWindow(nullptr); window != nullptr; window = GetWindow(window, GW_HWNDNEXT)) {
        if (window == upper || window == lower) return window == upper;
    }
    return false;
}

std::vector<HWND> ChildrenOf(HWND window, const char* className)
{
    std::vector<HWND> found;
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (lstrcmpiA(ClassOf(child).c_str(), className) == 0) found.push_back(child);
    }
    return found;
}

std::string Utf8(const wchar_t* text)
{
    std::string utf8(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr)),
                     '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], static_cast<int>(utf8.size()), nullptr, nullptr);
    return utf8.c_str();
}

std::wstring Wide(const std::string& utf8)
{
    std::wstring text(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &text[0], static_cast<int>(text.size()));
    return text.c_str();
}

std::string TextOf(HWND window)
{
    wchar_t text[1024] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, ARRAYSIZE(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        kTimeoutMs, nullptr);
    return Utf8(text);
}

std::string EntryOf(HWND list, int index)
{
    wchar_t text[2048] = {};
    SendMessageW(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    return Utf8(text);
}

RECT ItemRectOf(HANDLE process, HWND listView, int index)
{
    RECT rect = {LVIR_BOUNDS, 0, 0, 0};
    void* remote = VirtualAllocEx(process, nullptr, sizeof rect, MEM_COMMIT, PAGE_READWRITE);
    const bool read = remote != nullptr && WriteProcessMemory(process, remote, &rect, sizeof rect, nullptr) &&
                      SendMessageW(listView, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(remote)) &&
                      ReadProcessMemory(process, remote, &rect, sizeof rect, nullptr);
    if (remote != nullptr) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return read ? rect : RECT{};
}

}  // namespace driver
