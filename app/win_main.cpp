#include <windows.h>

#include "app/main_window.h"
#include "app/program.h"
#include "res/resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // The guard is the name, not the ownership: a second instance leaves silently.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, L"QXVeltoCDWindowMutex");
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return 0;
    }

    // Everything the player keeps, made while the start directory is still current.
    Program program(instance);
    HWND window = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainWindowProc,
                                     reinterpret_cast<LPARAM>(&program));
    if (window == nullptr) {
        CloseHandle(mutex);
        return 0;
    }
    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_ACCEL));

    // Accelerators first, so Alt+X plays even while the track list has the focus; then the
    // dialog manager's keyboard handling.
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorW(window, accelerators, &msg)) {
            continue;
        }
        if (IsDialogMessageW(window, &msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    CloseHandle(mutex);
    return 0;
}
