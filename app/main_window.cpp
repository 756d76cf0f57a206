#include "app/main_window.h"

#include <mmsystem.h>

#include "app/context_menu.h"
#include "app/display_scale.h"
#include "app/media_keys.h"
#include "app/program.h"
#include "app/settings_dialog.h"
#include "app/texts.h"
#include "app/titles_dialog.h"
#include "app/track_list.h"
#include "app/tray_icon.h"
#include "app/window_placement.h"
#include "common/random.h"
#include "common/text.h"
#include "playback/cd_audio_device.h"
#include "playback/play_order.h"
#include "playback/playback_controller.h"
#include "res/resource.h"
#include "settings/disc_titles.h"
#include "settings/profile_file.h"
#include "settings/settings.h"
#include "stage/stage_size.h"
#include "stage/stage_view.h"

namespace {

// The executable's directory with its trailing backslash; the settings file lives there.
wchar_t moduleDirectory[MAX_PATH];

// Shut-down writes only settings this run has read: a start-up that failed earlier leaves
// the file as it was.
bool settingsLoaded;
// Shut-down has begun. It waits on the notification area, and meanwhile a session's end may
// be delivered: that second shut-down, and a tick it interrupted, must leave things alone.
bool shuttingDown;

ProfileFile SettingsFile()
{
    wchar_t path[MAX_PATH];
    BuildSettingsPath(moduleDirectory, path);
    return ProfileFile(path);
}

void FindModuleDirectory()
{
    // Without a folder of its own (the path was cut) the settings are neither read nor written.
    if (CutToDirectory(moduleDirectory, GetModuleFileNameW(nullptr, moduleDirectory, MAX_PATH))) {
        SetCurrentDirectoryW(moduleDirectory);
    }
}

// The window's one timer, IDT_TICK, is set, re-armed and (with period 0) killed here alone.
bool RunTick(HWND window, UINT periodMs)
{
    if (periodMs == 0) {
        return KillTimer(window, IDT_TICK) != FALSE;
    }
    // Setting the same identifier again only changes the period of the running timer.
    return SetTimer(window, IDT_TICK, periodMs, nullptr) != 0;
}

bool ApplyTempo(HWND window)
{
    return RunTick(window, TempoPeriod(Options));
}

// Keeps the window above all others, or when off puts it at the bottom of the Z order.
void TopmostSwitch(HWND window, int on)
{
    if (on != 0) {
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    } else {
        // Off means behind everything, not merely no longer topmost. Without
        // SWP_NOACTIVATE, Wine activates the window instead and it stays on top.
        SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    Options.ShowTopMost = on != 0 ? 1 : 0;
    Menu.SyncCheckMarks(Options);
}

// The list's height is the extent of its drop-down; closed, it covers the stage's top.
void LayOut(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    MoveWindow(GetDlgItem(window, IDC_TRACKLIST), 0, 0, client.right, client.bottom, TRUE);
}

// The stage's size at the window's scale, its outer corner at the saved position, kept on the
// monitor it lies on.
void PlaceWindow(HWND window, POINT position)
{
    RECT windowRect;
    RECT clientRect;
    GetWindowRect(window, &windowRect);
    GetClientRect(window, &clientRect);
    const UINT dpi = DpiOf(window);
    RECT placed = {position.x, position.y,
                   position.x + Scaled(kStageWidth, dpi) + (windowRect.right - windowRect.left) - clientRect.right,
                   position.y + Scaled(kStageHeight, dpi) + (windowRect.bottom - windowRect.top) - clientRect.bottom};
    placed = PlaceOnMonitors(placed);
    MoveWindow(window, placed.left, placed.top, placed.right - placed.left, placed.bottom - placed.top, TRUE);
    LayOut(window);
}

// Actions go through the window's queue, so every playback start passes the one IDM_PLAY.
void Queue(HWND window, int command)
{
    if (command != 0) {
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    }
}

bool StartUp(HWND window)
{
    settingsLoaded = false;
    shuttingDown = false;
    SeedRandom(timeGetTime());
    FindModuleDirectory();
    const UINT dpi = DpiOf(window);
    Tray.AddIcon(window, AppInstance, MetricAt(SM_CXSMICON, dpi));
    Menu.Create(AppInstance, Options, Scaled(kGlyphSize, dpi));
    FindCdDrive();

    if (!CdDevice.Open()) {
        wchar_t text[256];
        wchar_t caption[64];
        LoadText(IDS_STARTUP_ERROR, text);
        LoadText(IDS_STARTUP_CAPTION, caption);
        MessageBoxW(window, text, caption, MB_ICONWARNING);
        return false;
    }
    CdDevice.Stop();
    Controller.Reset();

    const ProfileFile file = SettingsFile();
    LoadSettings(file, Options);
    Options.AllTracksMode = 1;
    Menu.SyncCheckMarks(Options);
    // Without its timer the player would never notice a disc nor move.
    if (!ApplyTempo(window)) {
        return false;
    }
    settingsLoaded = true;

    PlaceWindow(window, LoadWindowPosition(file));
    SetWindowTextW(window, L"veltoCD");
    TopmostSwitch(window, Options.ShowTopMost);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    media_keys::Register(window);
    return true;
}

void ShutDown(HWND window)
{
    if (shuttingDown) {
        return;
    }
    shuttingDown = true;
    RunTick(window, 0);
    media_keys::Unregister(window);
    Menu.Destroy();
    Tray.DeleteIcon();
    CdDevice.Close();
    Stage.Release();
    if (settingsLoaded) {
        const ProfileFile file = SettingsFile();
        SaveSettings(file, Options);
        RECT rect;
        if (GetWindowRect(window, &rect)) {
            SaveWindowPosition(file, POINT{rect.left, rect.top});
        }
    }
    DestroyWindow(window);
}

void OnCommand(HWND window, int id, int code)
{
    switch (id) {
    case IDM_EXIT:
        PostMessageW(window, WM_CLOSE, 0, 0);
        break;
    case IDM_TOPMOST:
        TopmostSwitch(window, Options.ShowTopMost == 0 ? 1 : 0);
        break;
    case IDM_SETTINGS:
        RunSettingsDialog(AppInstance, window, Options);
        ApplyTempo(window);  // a new tempo takes effect once the dialog has closed
        break;
    case IDM_TITLES:
        if (RunTitlesDialog(AppInstance, window, Order.TrackCount)) {
            FillTrackList(window, Order.TrackCount, Order.CurrentTrack());  // keeps the selection
        }
        break;
    case IDM_MENU:
        Menu.ShowAtCorner(window);
        break;
    case IDC_TRACKLIST:
        if (code == CBN_SELCHANGE) {
            Queue(window, Controller.OnTrackChosen(SelectedEntry(window)));
        }
        break;
    default:
        // IDOK and IDCANCEL from Enter and Esc among them: the controller ignores them, and
        // the window stays as it is.
        Queue(window, Controller.OnCommand(window, id));
        break;
    }
}

void OnTick(HWND window)
{
    const int next = Controller.OnTick(window);
    if (shuttingDown) {
        return;  // shut down meanwhile: nothing is left to post to or draw on
    }
    Queue(window, next);
    Stage.Tick(window, Controller.PlayerState());
}

}  // namespace

INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        if (!StartUp(window)) {
            PostMessageW(window, WM_CLOSE, 0, 0);
        }
        break;
    case WM_CLOSE:
        ShutDown(window);
        break;
    case WM_ENDSESSION:
        if (wParam != FALSE) {
            ShutDown(window);  // FALSE: a log-off was cancelled, and the session goes on
        }
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        break;
    case WM_PAINT:
        Stage.Paint(window);
        break;
    case WM_LBUTTONDOWN:
        // Drag the window by any point of the stage.
        SendMessageW(window, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
        break;
    case WM_RBUTTONDOWN:
        Menu.ShowAtCursor(window);
        break;
    case WM_INITMENUPOPUP:
        // Titles need a disc, and a drive to tell it by.
        Menu.EnableTitles(Order.TrackCount != 0 && CdDriveFound());
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
            SetWindowLongPtrW(window, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        break;
    case WM_TIMER:
        OnTick(window);
        break;
    case WM_DPICHANGED: {
        // Moved to a monitor of another scale: the size the platform suggests, laid out again.
        const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                     suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
        LayOut(window);
        break;
    }
    case MM_MCINOTIFY:
        Queue(window, Controller.OnMciNotify(wParam));
        break;
    default:
        // The notification area has restarted: our icon must be added to it again.
        static const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
        if (message == taskbarCreated) {
            Tray.AddAgain();
        }
        break;
    }
    return FALSE;
}
