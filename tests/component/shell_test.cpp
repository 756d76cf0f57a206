// The real main window, made in this process from the program's own resources and objects:
// its menu and notification-area icon read back from the platform, and how it shuts down.
#include <doctest/doctest.h>

#include <windows.h>
#include <mmsystem.h>

#include "app/context_menu.h"
#include "app/main_window.h"
#include "app/program.h"
#include "app/tray_icon.h"
#include "playback/cd_audio_device.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "stage/note_swarm.h"
#include "stage/performer.h"
#include "support/sim_drive.h"

namespace {

// The settings file beside this test program, where the main window keeps it.
std::string SettingsPath()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text = path;
    return text.substr(0, text.rfind('\\') + 1) + "veltoCD.ini";
}

// The main window as WinMain makes it, on a disc it has not taken up: no timer runs, the
// case ticks it. Closed and its settings file removed however the case ends.
struct MainWindow {
    explicit MainWindow(const sim::Disc& disc = sim::discWithTracks({60000, 60000}), const char* settings = "")
    {
        DeleteFileA(SettingsPath().c_str());
        if (settings[0] != '\0') REQUIRE(WritePrivateProfileSectionA("GENERAL", settings, SettingsPath().c_str()));
        sim::Load(disc);
        AppInstance = GetModuleHandleA(nullptr);
        window = CreateDialogParamA(AppInstance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainWindowProc, 0);
        REQUIRE(window != nullptr);
        REQUIRE(KillTimer(window, IDT_TICK));
        sim::ClearLog();
    }
    ~MainWindow()
    {
        if (IsWindow(window)) SendMessageA(window, WM_CLOSE, 0, 0);
        DeleteFileA(SettingsPath().c_str());
    }
    void Tick() const { SendMessageA(window, WM_TIMER, IDT_TICK, 0); }
    HWND window;
};

// The marks as the menu shows them: keep in front, random, auto repeat, one track, all tracks.
std::string Marks()
{
    std::string marks;
    for (const UINT id : {IDM_TOPMOST, IDM_RANDOM, IDM_AUTOREPEAT, IDM_ONETRACK, IDM_ALLTRACKS}) {
        marks += (GetMenuState(Menu.Popup(), id, MF_BYCOMMAND) & MF_CHECKED) != 0 ? '1' : '0';
    }
    return marks;
}

// A session's end, sent to the window from another thread.
DWORD WINAPI EndSession(LPVOID window)
{
    return static_cast<DWORD>(SendMessageA(static_cast<HWND>(window), WM_ENDSESSION, TRUE, 0));
}

// A thread that sends the window a session's end, which this thread has yet to receive.
struct PendingEndSession {
    explicit PendingEndSession(HWND window) : thread(CreateThread(nullptr, 0, EndSession, window, 0, nullptr))
    {
        REQUIRE(thread != nullptr);
        for (const DWORD start = GetTickCount(); GetTickCount() - start < 5000; Sleep(1)) {
            if (HIWORD(GetQueueStatus(QS_SENDMESSAGE)) != 0) return;
        }
        FAIL("the session's end was never sent");
    }
    ~PendingEndSession()
    {
        WaitForSingleObject(thread, 5000);
        CloseHandle(thread);
    }
    HANDLE thread;
};

}  // namespace

TEST_CASE("the menu: the transport glyphs, and marks that follow the commands")
{
    MainWindow main;
    HMENU popup = Menu.Popup();
    // The transport items show their glyph as the bitmap of their lasting checked state, at the
    // display's scale (this program, like the player, sees the real one); so is the tray's icon.
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    CAPTURE(dpi);
    ICONINFO icon = {};
    REQUIRE(GetIconInfo(Tray.Record().hIcon, &icon));
    BITMAP iconBits = {};
    GetObjectW(icon.hbmColor, sizeof iconBits, &iconBits);
    DeleteObject(icon.hbmColor);
    DeleteObject(icon.hbmMask);
    CHECK(iconBits.bmWidth == MulDiv(16, dpi, 96));
    for (const UINT id : {IDM_PREV, IDM_PLAY, IDM_STOP, IDM_NEXT}) {
        CAPTURE(id);
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STATE | MIIM_CHECKMARKS;
        GetMenuItemInfoA(popup, id, FALSE, &info);
        BITMAP glyph = {};
        GetObjectA(info.hbmpChecked, sizeof glyph, &glyph);
        CHECK((info.fState & MFS_CHECKED) != 0);
        CHECK(glyph.bmWidth == MulDiv(13, dpi, 96));
        CHECK(glyph.bmHeight == MulDiv(13, dpi, 96));
        CHECK(glyph.bmBitsPixel == 1);
    }
    CHECK(Marks() == "10001");  // a fresh settings file: keep in front, all tracks
    const std::pair<int, const char*> steps[] = {{IDM_RANDOM, "11001"},     {IDM_ONETRACK, "11110"},
                                                 {IDM_AUTOREPEAT, "11010"}, {IDM_ALLTRACKS, "11001"},
                                                 {IDM_RANDOM, "10001"},     {IDM_TOPMOST, "00001"}};
    for (const auto& step : steps) {
        CAPTURE(step.first);
        SendMessageA(main.window, WM_COMMAND, step.first, 0);
        CHECK(Marks() == step.second);
    }
    CHECK(sim::readLog().empty());  // none of them touches the track playing

    // Naming the tracks needs a disc, none of which is taken up yet, and a drive to tell it by.
    SendMessageW(main.window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(Menu.Popup()), 0);
    CHECK((GetMenuState(Menu.Popup(), IDM_TITLES, MF_BYCOMMAND) & MF_GRAYED) != 0);
    main.Tick();
    SendMessageW(main.window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(Menu.Popup()), 0);
    CHECK((GetMenuState(Menu.Popup(), IDM_TITLES, MF_BYCOMMAND) & MF_GRAYED) == 0);
}

TEST_CASE("the menu, the tip and the entries in the user's language; titles in the system's code page")
{
    const bool japanese = sim::JapaneseInterface();
    const std::string title = GetACP() == 932 ? "雨上がり" : "Café Noir";  // as written by another program
    sim::WriteTitles("[1A2B3C4D]\r\n0=" + title + "\r\n");                 // drive D:, the first
    MainWindow main(sim::discWithTracks({60000, 60000, 60000}));
    wchar_t text[64] = {};
    GetMenuStringW(Menu.Popup(), IDM_PLAY, text, 64, MF_BYCOMMAND);
    CHECK(std::wstring(text) == (japanese ? L"再生(&X)\tAlt+X" : L"&Play\tAlt+X"));
    GetMenuStringW(Menu.Popup(), 7, text, 64, MF_BYPOSITION);
    CHECK(std::wstring(text) == (japanese ? L"演奏設定(&S)" : L"Play &Options"));
    const NOTIFYICONDATAW& record = Tray.Record();
    CHECK(record.cbSize == NOTIFYICONDATAW_V1_SIZE);
    CHECK(std::wstring(record.szTip) == L"veltoCD");
    main.Tick();  // the disc is taken up, and track 1 is queued
    sim::Pump(0);
    CHECK(std::wstring(record.szTip) == (japanese ? L"veltoCD / #1 再生中" : L"veltoCD / #1 Playing"));
    HWND list = GetDlgItem(main.window, IDC_TRACKLIST);
    CHECK(driver::EntryOf(list, 0) == title);
    CHECK(driver::EntryOf(list, 2) == (japanese ? "ﾄﾗｯｸ #  3" : "Track 3"));
}

TEST_CASE("a shut-down delivered inside a tick leaves nothing to draw on")
{
    MainWindow main(sim::discWithTracks({300, 300}));
    main.Tick();
    sim::Pump(0);  // track 1 plays
    main.Tick();   // and is seen playing
    // Once it has ended, the tick looks for a queued notification: the end of the session,
    // sent meanwhile from another thread, arrives inside that look.
    REQUIRE(sim::PumpUntil([] { return CdDevice.Mode() == MCI_MODE_STOP; }, 5000));
    const int frame = Figure.Frame();
    PendingEndSession end(main.window);
    main.Tick();
    CHECK_FALSE(IsWindow(main.window));
    CHECK(Figure.Frame() == frame);  // the stage did not step
    CHECK(sim::plays(sim::readLog()) == "1");
}

TEST_CASE("a session's end delivered inside a shut-down is not a second one; a cancelled one is none")
{
    MainWindow main(sim::discWithTracks({60000}), "WindowPosX=400\0WindowPosY=300\0");
    SendMessageA(main.window, WM_ENDSESSION, FALSE, 0);  // the log-off was cancelled
    CHECK(IsWindow(main.window));
    CHECK(GetPrivateProfileIntA("GENERAL", "Whim", -1, SettingsPath().c_str()) == -1);  // nothing saved

    // Removing the icon waits on the notification area, which meanwhile delivers the session's end.
    PendingEndSession end(main.window);
    SendMessageA(main.window, WM_CLOSE, 0, 0);
    CHECK_FALSE(IsWindow(main.window));
    CHECK(sim::countLines(sim::readLog(), "MCI_CLOSE") == 1);
    CHECK(GetPrivateProfileIntA("GENERAL", "WindowPosX", -1, SettingsPath().c_str()) == 400);
    CHECK(GetPrivateProfileIntA("GENERAL", "WindowPosY", -1, SettingsPath().c_str()) == 300);
}
