// Closes a running player the way its own menu does, so that it saves its settings, and
// waits until it has gone: the run command's --stop.
//   close_player
#include <windows.h>

#include <cstdio>

#include "driver.h"

int main()
{
    HWND window = nullptr;
    for (HWND w = FindWindowA("#32770", "veltoCD"); w != nullptr; w = FindWindowExA(nullptr, w, "#32770", "veltoCD")) {
        window = GetWindow(w, GW_OWNER) == nullptr ? w : window;
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (window == nullptr || process == nullptr || !PostMessageA(window, WM_CLOSE, 0, 0)) {
        std::fprintf(stderr, "close_player: no veltoCD is running\n");
        return 1;
    }
    const bool ended = WaitForSingleObject(process, driver::kTimeoutMs) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended ? 0 : 1;
}
