#include "support/player.h"

#include <doctest/doctest.h>

#include <fstream>
#include <iterator>

namespace e2e {

namespace {

using WindowSearch = std::pair<DWORD, std::vector<HWND>>;  // a process, its windows

BOOL CALLBACK CollectWindow(HWND window, LPARAM param)
{
    auto& search = *reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search.first) search.second.push_back(window);
    return TRUE;
}

INPUT KeyInput(WORD key, DWORD flags)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki = {key, static_cast<WORD>(MapVirtualKeyA(key, 0)), flags, 0, 0};
    return input;
}

}  // namespace

void SetScene(const char* settings, const sim::Disc& disc)
{
    SetFileAttributesA(kSettingsPath, FILE_ATTRIBUTE_NORMAL);
    REQUIRE((DeleteFileA(kSettingsPath) || GetLastError() == ERROR_FILE_NOT_FOUND));
    if (settings != nullptr) {
        std::ofstream file(kSettingsPath, std::ios::binary);
        REQUIRE((file << settings).flush().good());
    }
    sim::Load(disc);
}

Player::Player(const char* exe, bool showsWindow, const char* dir)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    REQUIRE(CreateProcessA(exe, nullptr, nullptr, nullptr, FALSE, 0, nullptr, dir, &startup, &info_));
    if (showsWindow) {
        sim::PumpUntil(
            [&] {
                for (HWND w : Shown("#32770")) {
                    window = TextOf(w) == "veltoCD" && GetWindow(w, GW_OWNER) == nullptr ? w : window;
                }
                return window != nullptr || !Running();
            },
            kTimeoutMs);
        if (window == nullptr) End();  // a constructor that fails is not followed by the destructor
        REQUIRE(window != nullptr);
    }
}

void Player::End()
{
    if (Running() && Close() == STILL_ACTIVE) {
        // Our own child, ended by its handle: the next test needs the mutex free.
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
    info_ = PROCESS_INFORMATION();
}

DWORD Player::WaitForExit(DWORD timeoutMs) const
{
    DWORD code = STILL_ACTIVE;
    sim::PumpUntil([&] { return !Running(); }, timeoutMs);
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

DWORD Player::Close(UINT message, WPARAM wParam) const
{
    return window != nullptr && PostMessageA(window, message, wParam, 0) ? WaitForExit() : STILL_ACTIVE;
}

bool Player::Press(WORD key, bool alt) const
{
    return e2e::Press(window, key, alt);
}

bool Press(HWND window, WORD key, bool alt)
{
    std::vector<INPUT> keys = {KeyInput(key, 0), KeyInput(key, KEYEVENTF_KEYUP)};
    if (alt) {
        keys.insert(keys.begin(), KeyInput(VK_MENU, 0));
        keys.push_back(KeyInput(VK_MENU, KEYEVENTF_KEYUP));
    }
    const UINT count = static_cast<UINT>(keys.size());
    return BringToFront(window) && SendInput(count, keys.data(), sizeof(INPUT)) == count;
}

HWND Focus(HWND window)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
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

bool BringToFront(HWND window)
{
    return sim::PumpUntil([window] { return GetForegroundWindow() == window || (SetForegroundWindow(window), false); },
                          kTimeoutMs);
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

std::string ClassOf(HWND window)
{
    char name[256];
    return std::string(name, static_cast<size_t>(GetClassNameA(window, name, sizeof name)));
}

std::string TextOf(HWND window)
{
    char text[1024];
    return std::string(text, static_cast<size_t>(GetWindowTextA(window, text, sizeof text)));
}

bool ClickAt(POINT point, bool rightButton)
{
    // Moved by hand rather than by an absolute move in the input, whose scaling to pixels
    // may round to a neighbour; Wine may report the old place for a moment after the move.
    const auto arrived = [point] {
        POINT cursor = {};
        return GetCursorPos(&cursor) && cursor.x == point.x && cursor.y == point.y;
    };
    if (!SetCursorPos(point.x, point.y) || !sim::PumpUntil(arrived, kTimeoutMs)) return false;
    INPUT clicks[2] = {};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = rightButton ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = rightButton ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    return SendInput(2, clicks, sizeof(INPUT)) == 2;
}

std::string ReadFileBytes(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string SavedSetting(const char* key)
{
    char value[MAX_PATH];
    GetPrivateProfileStringA("GENERAL", key, "", value, MAX_PATH, kSettingsPath);
    return value;
}

}  // namespace e2e
