#include <windows.h>

#include "app/main_window.h"
#include "app/program.h"
#include "res/resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // The guard is the name, not the ownership: a second instance leaves silently.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "QXVeltoCDWindowMutex");
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        return 0;
    }

    // Start-up loads resources through this while the window is being created.
    AppInstance = instance;

    HWND window = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainWindowProc, 0);
    if (window == nullptr) {
        CloseHandle(mutex);
        return 0;
    }
    HACCEL accelerators = LoadAcceleratorsA(AppInstance, MAKEINTRESOURCEA(IDR_ACCEL));

    // Accelerators first, so Alt+X plays even while the track list has the focus; then the
    // dialog manager's keyboard handling.
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorA(window, accelerators, &msg)) {
            continue;
        }
        if (IsDialogMessageA(window, &msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    CloseHandle(mutex);
    return 0;
}
