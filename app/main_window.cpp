#include "app/main_window.h"

#include <mmsystem.h>

#include "app/display_scale.h"
#include "app/media_keys.h"
#include "app/program.h"
#include "app/settings_dialog.h"
#include "app/texts.h"
#include "app/titles_dialog.h"
#include "app/track_list.h"
#include "app/window_placement.h"
#include "common/text.h"
#include "playback/table_of_contents.h"
#include "res/resource.h"
#include "settings/profile_file.h"
#include "stage/stage_size.h"

namespace {

Program* ProgramOf(HWND window)
{
    return reinterpret_cast<Program*>(GetWindowLongPtrW(window, DWLP_USER));
}

ProfileFile SettingsFile(const Program& program)
{
    wchar_t path[MAX_PATH];
    BuildSettingsPath(program.moduleDirectory, path);
    return ProfileFile(path);
}

void FindModuleDirectory(Program& program)
{
    // Without a folder of its own (the path was cut) the settings are neither read nor written.
    wchar_t* directory = program.moduleDirectory;
    if (CutToDirectory(directory, GetModuleFileNameW(nullptr, directory, MAX_PATH))) {
        SetCurrentDirectoryW(directory);
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

// Keeps the window above all others, or when off puts it at the bottom of the Z order.
void TopmostSwitch(Program& program, int on)
{
    if (on != 0) {
        SetWindowPos(program.window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    } else {
        // Off means behind everything, not merely no longer topmost. Without
        // SWP_NOACTIVATE, Wine activates the window instead and it stays on top.
        SetWindowPos(program.window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    program.options.ShowTopMost = on != 0 ? 1 : 0;
    program.menu.SyncCheckMarks(program.options);
}

// The window's outer size whose client is exactly the stage at this scale.
SIZE StageWindowSize(HWND window, UINT dpi)
{
    RECT outer;
    RECT client;
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    return SIZE{Scaled(kStageWidth, dpi) + (outer.right - outer.left) - client.right,
                Scaled(kStageHeight, dpi) + (outer.bottom - outer.top) - client.bottom};
}

// The client the stage's exact size at this scale, the top-left corner here; the list's
// height is the extent of its drop-down, and closed it covers the stage's top.
void FitToStage(HWND window, UINT dpi, POINT topLeft)
{
    const SIZE size = StageWindowSize(window, dpi);
    MoveWindow(window, topLeft.x, topLeft.y, size.cx, size.cy, TRUE);
    RECT client;
    GetClientRect(window, &client);
    MoveWindow(GetDlgItem(window, IDC_TRACKLIST), 0, 0, client.right, client.bottom, TRUE);
}

// The saved position, kept on the monitor it lies on. A position at the end of the range is
// pulled in first, so the window's far edges fit and it cannot turn inside out.
void PlaceWindow(HWND window, POINT position)
{
    const UINT dpi = DpiOf(window);
    const SIZE size = StageWindowSize(window, dpi);
    const auto clamp = [](LONG at, LONG length) { return at > MAXLONG - length ? MAXLONG - length : at; };
    const LONG left = clamp(position.x, size.cx);
    const LONG top = clamp(position.y, size.cy);
    const RECT placed = PlaceOnMonitors(RECT{left, top, left + size.cx, top + size.cy});
    FitToStage(window, dpi, POINT{placed.left, placed.top});
}

// Actions go through the window's queue, so every playback start passes the one IDM_PLAY.
void Queue(HWND window, int command)
{
    if (command != 0) {
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    }
}

void ShowStartUpError(HWND window)
{
    wchar_t text[256];
    wchar_t caption[64];
    LoadNamedText(IDS_STARTUP_ERROR, text);
    LoadNamedText(IDS_STARTUP_CAPTION, caption);
    MessageBoxW(window, text, caption, MB_ICONWARNING);
}

bool StartUp(Program& program, HWND window)
{
    program.window = window;
    program.device.NotifyTo(window);
    program.random.SeedRandom(timeGetTime());
    program.taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    FindModuleDirectory(program);
    const UINT dpi = DpiOf(window);
    program.tray.AddIcon(window, program.instance, MetricAt(SM_CXSMICON, dpi));
    program.menu.Create(program.instance, program.options, Scaled(kGlyphSize, dpi));
    program.drive.Find();

    if (!program.device.Open()) {
        ShowStartUpError(window);
        return false;
    }
    program.device.Stop();
    program.controller.Reset();

    const ProfileFile file = SettingsFile(program);
    LoadSettings(file, program.options);
    program.menu.SyncCheckMarks(program.options);
    // Without its timer the player would never notice a disc nor move.
    if (!RunTick(window, TempoPeriod(program.options))) {
        return false;
    }
    program.settingsLoaded = true;

    PlaceWindow(window, LoadWindowPosition(file));
    wchar_t name[32];
    LoadText(IDS_APP_NAME, name);
    SetWindowTextW(window, name);
    TopmostSwitch(program, program.options.ShowTopMost);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    media_keys::Register(window);
    return true;
}

void SaveEverything(const Program& program, HWND window)
{
    const ProfileFile file = SettingsFile(program);
    SaveSettings(file, program.options);
    RECT rect;
    if (GetWindowRect(window, &rect)) {
        SaveWindowPosition(file, POINT{rect.left, rect.top});
    }
}

void ShutDown(Program& program, HWND window)
{
    if (program.shuttingDown) {
        return;
    }
    program.shuttingDown = true;
    // Saved first: the icon's removal waits on the notification area, and a session's end
    // delivered meanwhile may see the process end the moment it returns.
    if (program.settingsLoaded) {
        SaveEverything(program, window);
    }
    RunTick(window, 0);
    media_keys::Unregister(window);
    program.menu.Destroy();
    program.tray.DeleteIcon();
    program.device.Close();
    program.stage.Release();
    DestroyWindow(window);
}

// One dialog at a time: asked for again, the open one comes to the front.
void OpenDialog(Program& program, HWND window, int id)
{
    if (program.dialog != nullptr) {
        SetForegroundWindow(program.dialog);
        return;
    }
    if (id == IDM_SETTINGS) {
        RunSettingsDialog(program.instance, window, program.options, program.dialog);
        RunTick(window, TempoPeriod(program.options));  // a new tempo takes effect once the dialog has closed
        return;
    }
    // The disc may have gone while the menu was open: a disc without an identifier has no titles.
    const DWORD discId = program.drive.DiscId();
    if (program.order.TrackCount == 0 || discId == 0) {
        return;
    }
    wchar_t settingsPath[MAX_PATH];
    BuildSettingsPath(program.moduleDirectory, settingsPath);
    TableOfContents toc;
    const TitlesDisc disc = {program.order.TrackCount, discId, program.device.ReadTableOfContents(toc) ? &toc : nullptr,
                             settingsPath};
    if (RunTitlesDialog(program.instance, window, disc, program.dialog)) {
        FillTrackList(window, disc.trackCount, program.order.CurrentTrack(), disc.discId);  // keeps the selection
    }
}

void OnCommand(Program& program, HWND window, int id, int code)
{
    switch (id) {
    case IDM_EXIT:
        PostMessageW(window, WM_CLOSE, 0, 0);
        break;
    case IDM_TOPMOST:
        TopmostSwitch(program, program.options.ShowTopMost == 0 ? 1 : 0);
        break;
    case IDM_SETTINGS:
    case IDM_TITLES:
        OpenDialog(program, window, id);
        break;
    case IDM_MENU:
        program.menu.ShowAtCorner(window);
        break;
    case IDC_TRACKLIST:
        if (code == CBN_SELCHANGE) {
            Queue(window, program.controller.OnTrackChosen(SelectedEntry(window)));
        }
        break;
    default:
        // IDOK and IDCANCEL from Enter and Esc among them: the controller ignores them, and
        // the window stays as it is.
        Queue(window, program.controller.OnCommand(id));
        break;
    }
}

void OnTick(Program& program, HWND window)
{
    // A notification already queued ends its play itself. Looking may deliver a message sent
    // meanwhile, a session's end among them, as may the controller's calls to the shell.
    MSG pending;
    const bool notifyPending = PeekMessageW(&pending, window, MM_MCINOTIFY, MM_MCINOTIFY, PM_NOREMOVE) != FALSE;
    const int next = program.shuttingDown ? 0 : program.controller.OnTick(notifyPending);
    if (program.shuttingDown) {
        return;  // shut down meanwhile: nothing is left to post to or draw on
    }
    Queue(window, next);
    program.stage.Step(program.controller.PlayerState());
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

void OnPaint(Program& program, HWND window)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    program.stage.Paint(dc, SIZE{client.right, client.bottom});
    EndPaint(window, &paint);
}

// Moved to a monitor of another scale: what was made for the old one is made again, and the
// client is the stage's exact size at the new scale, where the platform suggests.
void OnDpiChanged(Program& program, HWND window, UINT dpi, const RECT& suggested)
{
    program.menu.SetGlyphs(program.instance, Scaled(kGlyphSize, dpi));
    program.tray.SetIcon(program.instance, MetricAt(SM_CXSMICON, dpi));
    FitToStage(window, dpi, POINT{suggested.left, suggested.top});
}

INT_PTR Handled(HWND window, LONG_PTR result)
{
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
}

// Returns FALSE for a message left to the dialog manager.
INT_PTR Dispatch(Program& program, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        ShutDown(program, window);
        return TRUE;
    case WM_ENDSESSION:
        if (wParam != FALSE) {
            ShutDown(program, window);  // FALSE: a log-off was cancelled, and the session goes on
        }
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    case WM_PAINT:
        OnPaint(program, window);
        return TRUE;
    case WM_LBUTTONDOWN:
        // Drag the window by any point of the stage.
        SendMessageW(window, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
        return TRUE;
    case WM_RBUTTONDOWN:
        program.menu.ShowAtCursor(window);
        return TRUE;
    case WM_CANCELMODE:
        program.menu.NoteCancel();
        return FALSE;  // the dialog manager's handling ends the menu
    case WM_INITMENUPOPUP:
        // Titles need a disc, and a drive that tells it.
        program.menu.EnableTitles(program.order.TrackCount != 0 && program.drive.DiscId() != 0);
        return TRUE;
    case WM_TRAYNOTIFY:
        program.tray.OnNotify(lParam);
        return TRUE;
    case WM_COMMAND:
        OnCommand(program, window, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_CONTEXTMENU:
        if (static_cast<DWORD>(lParam) != 0xFFFFFFFF) {
            return FALSE;  // a mouse's: its right click has opened the menu already
        }
        program.menu.ShowAtCorner(window);
        return TRUE;
    case WM_HOTKEY:
        Queue(window, media_keys::CommandForHotKey(wParam, program.controller.PlayerState()));
        return TRUE;
    case WM_APPCOMMAND: {
        const int command = media_keys::CommandForAppCommand(lParam, program.controller.PlayerState());
        Queue(window, command);
        return command != 0 ? Handled(window, TRUE) : FALSE;
    }
    case WM_TIMER:
        OnTick(program, window);
        return TRUE;
    case WM_GETDPISCALEDSIZE:
        *reinterpret_cast<SIZE*>(lParam) = StageWindowSize(window, static_cast<UINT>(wParam));
        return Handled(window, TRUE);
    case WM_DPICHANGED:
        OnDpiChanged(program, window, HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return Handled(window, 0);
    case MM_MCINOTIFY:
        Queue(window, program.controller.OnMciNotify(wParam));
        return TRUE;
    default:
        if (message != 0 && message == program.taskbarCreated) {
            // The notification area has restarted: our icon must be added to it again.
            program.tray.AddAgain();
            return TRUE;
        }
        return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        Program& program = *reinterpret_cast<Program*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        if (!StartUp(program, window)) {
            PostMessageW(window, WM_CLOSE, 0, 0);
        }
        return TRUE;  // the focus to the track list
    }
    Program* program = ProgramOf(window);
    return program != nullptr ? Dispatch(*program, window, message, wParam, lParam) : FALSE;
}
