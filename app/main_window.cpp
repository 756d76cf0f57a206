#include "app/main_window.h"

#include <mmsystem.h>

#include "app/context_menu.h"
#include "app/media_keys.h"
#include "app/program.h"
#include "app/tray_icon.h"
#include "common/random.h"
#include "common/text.h"
#include "playback/cd_audio_device.h"
#include "playback/play_order.h"
#include "playback/playback_controller.h"
#include "res/resource.h"
#include "settings/profile_file.h"
#include "settings/settings.h"
#include "settings/track_list.h"
#include "stage/stage_view.h"

namespace {

const int kClientWidth = 144;
const int kClientHeight = 104;

// The executable's directory with its trailing backslash; the settings file lives there.
char moduleDirectory[MAX_PATH];

// Shut-down writes only settings this run has read: a start-up that failed earlier leaves
// the file as it was.
bool settingsLoaded;

ProfileFile SettingsFile()
{
    char path[MAX_PATH];
    BuildSettingsPath(moduleDirectory, path);
    return ProfileFile(path);
}

void FindModuleDirectory()
{
    // Without a folder of its own (the path was cut) the settings are neither read nor written.
    if (CutToDirectory(moduleDirectory, GetModuleFileNameA(nullptr, moduleDirectory, MAX_PATH))) {
        SetCurrentDirectoryA(moduleDirectory);
    }
}

void ClampToScreen(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    int left = rect.left;
    int top = rect.top;
    if (rect.left < 0) {
        left = 0;
    } else if (rect.right > screenWidth) {
        left = rect.left + screenWidth - rect.right;
    }
    if (rect.top < 0) {
        top = 0;
    } else if (rect.bottom > screenHeight) {
        top = rect.top + screenHeight - rect.bottom;
    }
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
}

void PlaceWindow(HWND window, POINT position)
{
    RECT windowRect;
    RECT clientRect;
    GetWindowRect(window, &windowRect);
    GetClientRect(window, &clientRect);
    const int frameWidth = (windowRect.right - windowRect.left) - clientRect.right;
    const int frameHeight = (windowRect.bottom - windowRect.top) - clientRect.bottom;
    MoveWindow(window, position.x, position.y, kClientWidth + frameWidth, kClientHeight + frameHeight, TRUE);
    ClampToScreen(window);
    // The list's height is the extent of its drop-down; closed, it covers the stage's top.
    MoveWindow(GetDlgItem(window, IDC_TRACKLIST), 0, 0, kClientWidth, kClientHeight, TRUE);
}

bool StartUp(HWND window)
{
    SeedRandom(timeGetTime());
    FindModuleDirectory();
    Tray.AddIcon(window, AppInstance);
    Menu.Create(AppInstance);
    FindCdDrive();

    if (CdDevice.Open() == 0) {
        MessageBoxA(window,
                    "CD-ROMﾃﾞﾊﾞｲｽが使用中か使用できません.\n解放されるのを待ってから実行して下さい.",
                    "veltoCD 初期化エラー", MB_ICONWARNING);
        return false;
    }
    CdDevice.Stop();
    Order.TrackCount = 0;

    const ProfileFile file = SettingsFile();
    LoadPlaybackSettings(file);
    AllTracksMode = 1;
    Menu.SyncCheckMarks();
    LoadStageSettings(file);
    // Without its timer the player would never notice a disc nor move.
    if (!ApplyTempo(window)) {
        return false;
    }
    settingsLoaded = true;

    PlaceWindow(window, LoadWindowPosition(file));
    SetWindowTextA(window, "veltoCD");
    TopmostSwitch(window, ShowTopMost);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    media_keys::Register(window);
    return true;
}

void ShutDown(HWND window)
{
    RunTick(window, 0);
    media_keys::Unregister(window);
    Menu.Destroy();
    Tray.DeleteIcon();
    CdDevice.Close();
    if (settingsLoaded) {
        SaveSettings(window, SettingsFile());
    }
    DestroyWindow(window);
}

void OnCommand(HWND window, int id, int code)
{
    if (id == IDM_MENU) {
        Menu.ShowAtCorner(window);
    } else if (id != 0) {
        Controller.OnCommand(window, id, code);
    }
}

}  // namespace

INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        if (!StartUp(window)) {
            PostMessageA(window, WM_CLOSE, 0, 0);
        }
        break;
    case WM_CLOSE:
    case WM_ENDSESSION:
        ShutDown(window);
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        break;
    case WM_PAINT:
        Stage.Paint(window);
        break;
    case WM_LBUTTONDOWN:
        // Drag the window by any point of the stage.
        SendMessageA(window, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
        break;
    case WM_RBUTTONDOWN:
        Menu.ShowAtCursor(window);
        break;
    case WM_TRAYNOTIFY:
        Tray.OnNotify(lParam);
        break;
    case WM_COMMAND:
        OnCommand(window, LOWORD(wParam), HIWORD(wParam));
        break;
    case WM_CONTEXTMENU:
        if (static_cast<DWORD>(lParam) == 0xFFFFFFFF) {
            Menu.ShowAtCorner(window);  // the menu key; a mouse's right click has opened it already
        }
        break;
    case WM_HOTKEY:
        OnCommand(window, media_keys::CommandForHotKey(wParam, Controller.PlayerState()), 0);
        break;
    case WM_APPCOMMAND:
        if (const int command = media_keys::CommandForAppCommand(lParam, Controller.PlayerState())) {
            OnCommand(window, command, 0);
            SetWindowLongPtrA(window, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        break;
    case WM_TIMER:
        Controller.OnTick(window);
        break;
    case MM_MCINOTIFY:
        Controller.OnMciNotify(window, wParam);
        break;
    default:
        // The notification area has restarted: our icon must be added to it again.
        static const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
        if (message == taskbarCreated) {
            Tray.AddAgain();
        }
        break;
    }
    return FALSE;
}
