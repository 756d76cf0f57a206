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

// The process starts here, with no C run-time start-up: the player uses none of what it sets
// up (arguments, streams, static constructors, the floating-point state), which would cost
// it a sixth of its size. The stack is aligned for the compiler's code on the way in.
extern "C" __attribute__((force_align_arg_pointer)) void WinMainCRTStartup()
{
    ExitProcess(static_cast<UINT>(WinMain(GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOWDEFAULT)));
}
