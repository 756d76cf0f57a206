#ifndef VELTOCD_APP_MAIN_WINDOW_H
#define VELTOCD_APP_MAIN_WINDOW_H

#include <windows.h>

// The main window: a modeless dialog from IDD_MAIN whose procedure is the program's hub.
INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
