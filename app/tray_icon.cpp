#include "app/tray_icon.h"

#include "app/texts.h"
#include "common/text.h"
#include "res/resource.h"

namespace {

// The first form's tip field; the newer, longer field of the platform's record is not ours.
const int kTipSize = 64;

HICON LoadIconOfSize(HINSTANCE instance, int size)
{
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, size, size, 0));
}

}  // namespace

TrayIcon::TrayIcon() : record_()
{
}

void TrayIcon::AddIcon(HWND window, HINSTANCE instance, int iconSize)
{
    record_.cbSize = NOTIFYICONDATAW_V1_SIZE;
    record_.hWnd = window;
    record_.uID = 1;
    record_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record_.uCallbackMessage = WM_TRAYNOTIFY;
    record_.hIcon = LoadIconOfSize(instance, iconSize);
    LoadText(IDS_APP_NAME, record_.szTip);
    Shell_NotifyIconW(NIM_ADD, &record_);
}

void TrayIcon::SetIcon(HINSTANCE instance, int iconSize)
{
    HICON old = record_.hIcon;
    record_.hIcon = LoadIconOfSize(instance, iconSize);
    Shell_NotifyIconW(NIM_MODIFY, &record_);
    if (old != nullptr) {
        DestroyIcon(old);
    }
}

void TrayIcon::SetTip(const wchar_t* text)
{
    CopyText(record_.szTip, kTipSize, text);
    Shell_NotifyIconW(NIM_MODIFY, &record_);
}

void TrayIcon::AddAgain()
{
    if (record_.hWnd != nullptr) {
        Shell_NotifyIconW(NIM_ADD, &record_);
    }
}

void TrayIcon::DeleteIcon()
{
    Shell_NotifyIconW(NIM_DELETE, &record_);
    if (record_.hIcon != nullptr) {
        DestroyIcon(record_.hIcon);
        record_.hIcon = nullptr;
    }
}

void TrayIcon::OnNotify(LPARAM mouseMessage)
{
    if (mouseMessage == WM_LBUTTONDOWN) {
        SetForegroundWindow(record_.hWnd);
    } else if (mouseMessage == WM_RBUTTONDOWN) {
        // Open the menu once this notification has been handled, at the cursor.
        PostMessageW(record_.hWnd, WM_RBUTTONDOWN, 0, 0);
    }
}
