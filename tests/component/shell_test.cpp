// The real main window, made in this process from the program's own resources and its own
// record: its menu and notification-area icon read back from the platform, how it answers,
// how it changes scale and how it shuts down.
#include "app/display_scale.h"
#include "app/main_window.h"
#include "app/program.h"
#include "res/resource.h"
#include "support/support.h"

#include <mmsystem.h>

namespace {

// The settings file beside this test program (run from C:\tests), where the main window keeps it.
const char kSettings[] = "C:\\tests\\veltoCD.ini";

int Saved(const char* key)
{
    return static_cast<int>(GetPrivateProfileIntA("GENERAL", key, -1, kSettings));
}

// The main window as WinMain makes it, on a disc it has not taken up: no timer runs, the
// case ticks it. Closed and its settings file removed however the case ends.
struct MainWindow {
    explicit MainWindow(const sim::Disc& disc = sim::discWithTracks({60000, 60000}), const char* settings = "")
    {
        DeleteFileA(kSettings);
        if (settings[0] != '\0') WritePrivateProfileSectionA("GENERAL", settings, kSettings);
        sim::Load(disc);
        window = CreateDialogParamW(program.instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainWindowProc,
                                    reinterpret_cast<LPARAM>(&program));
        REQUIRE(window != nullptr);
        REQUIRE(KillTimer(window, IDT_TICK));
        sim::ClearLog();
    }
    ~MainWindow()
    {
        if (IsWindow(window)) SendMessageW(window, WM_CLOSE, 0, 0);
    }
    void Tick() const { SendMessageW(window, WM_TIMER, IDT_TICK, 0); }
    bool TitlesEnabled() const
    {
        SendMessageW(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(program.menu.Popup()), 0);
        return (GetMenuState(program.menu.Popup(), IDM_TITLES, MF_BYCOMMAND) & MF_GRAYED) == 0;
    }
    Program program{GetModuleHandleW(nullptr)};
    HWND window;
};

// The marks as the menu shows them: keep in front, random, auto repeat, one track, all tracks.
std::string Marks(HMENU popup)
{
    std::string marks;
    for (const UINT id : {IDM_TOPMOST, IDM_RANDOM, IDM_AUTOREPEAT, IDM_ONETRACK, IDM_ALLTRACKS}) {
        marks += (GetMenuState(popup, id, MF_BYCOMMAND) & MF_CHECKED) != 0 ? '1' : '0';
    }
    return marks;
}

LONG WidthOf(HBITMAP bitmap)
{
    BITMAP info = {};
    return GetObjectW(bitmap, sizeof info, &info) != 0 ? info.bmWidth : 0;
}

// The side of an icon; 0 for one destroyed.
LONG IconSide(HICON icon)
{
    ICONINFO info = {};
    const LONG side = GetIconInfo(icon, &info) ? WidthOf(info.hbmColor) : 0;
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return side;
}

// The sides of the transport glyphs and of the tray's icon: "13 13 13 13 16" at 100 %.
std::string Sides(const Program& program)
{
    std::string sides;
    for (const UINT id : {IDM_PREV, IDM_PLAY, IDM_STOP, IDM_NEXT}) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_CHECKMARKS;
        GetMenuItemInfoW(program.menu.Popup(), id, FALSE, &info);
        sides += std::to_string(WidthOf(info.hbmpChecked)) + " ";
    }
    return sides + std::to_string(IconSide(program.tray.Record().hIcon));
}

std::string SidesAt(UINT dpi)
{
    const std::string glyph = std::to_string(MulDiv(13, dpi, 96)) + " ";
    return glyph + glyph + glyph + glyph + std::to_string(MetricAt(SM_CXSMICON, dpi));
}

// A session's end sent to the window from another thread, which this thread has yet to
// receive; when it returns, the thread notes the Whim the settings file then held.
struct PendingEndSession {
    explicit PendingEndSession(HWND target) : window(target)
    {
        thread = CreateThread(nullptr, 0, Send, this, 0, nullptr);
        bool sent = false;
        for (const DWORD start = GetTickCount(); !sent && GetTickCount() - start < 5000; Sleep(1)) {
            sent = HIWORD(GetQueueStatus(QS_SENDMESSAGE)) != 0;
        }
        REQUIRE(sent);
    }
    ~PendingEndSession()
    {
        WaitForSingleObject(thread, 5000);
        CloseHandle(thread);
    }
    static DWORD WINAPI Send(LPVOID self)
    {
        auto& end = *static_cast<PendingEndSession*>(self);
        SendMessageW(end.window, WM_ENDSESSION, TRUE, 0);
        end.savedWhim = Saved("Whim");
        return 0;
    }
    HWND window;
    HANDLE thread;
    int savedWhim = -1;
};

}  // namespace

TEST_CASE("the menu: glyphs and icon at the display's scale, marks that follow the commands")
{
    MainWindow main;
    const HMENU popup = main.program.menu.Popup();
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);  // this program sees the real one, as the player does
    ReleaseDC(nullptr, screen);
    REQUIRE(dpi == static_cast<int>(sim::MeantDpi()));
    CHECK(Sides(main.program) == SidesAt(dpi));
    CHECK(Marks(popup) == "10001");  // a fresh settings file: keep in front, all tracks
    const std::pair<int, const char*> steps[] = {{IDM_RANDOM, "11001"},     {IDM_ONETRACK, "11110"},
                                                 {IDM_AUTOREPEAT, "11010"}, {IDM_ALLTRACKS, "11001"},
                                                 {IDM_RANDOM, "10001"},     {IDM_TOPMOST, "00001"}};
    for (const auto& step : steps) {
        CAPTURE(step.first);
        SendMessageW(main.window, WM_COMMAND, step.first, 0);
        CHECK(Marks(popup) == step.second);
    }
    CHECK(sim::readLog().empty());  // none of them touches the track playing

    // Naming the tracks needs a disc, none of which is taken up yet, and its identifier.
    CHECK_FALSE(main.TitlesEnabled());
    main.Tick();
    CHECK(main.TitlesEnabled());
    sim::SetDefaultDrive(REG_DWORD, sim::Bytes(-1, 4));  // no drive tells the disc
    main.program.drive.Find();
    CHECK_FALSE(main.TitlesEnabled());
}

TEST_CASE("the menu, the tip and the entries in the user's language; titles in the system's code page")
{
    const bool japanese = sim::JapaneseInterface();
    const std::string title = GetACP() == 932 ? "雨上がり" : "Café Noir";  // as written by another program
    sim::SetDefaultDrive(REG_DWORD, "");
    sim::WriteTitles("[1A2B3C4D]\r\n0=" + title + "\r\n");  // drive D:, the first
    MainWindow main(sim::discWithTracks({60000, 60000, 60000}));
    wchar_t text[64] = {};
    GetMenuStringW(main.program.menu.Popup(), IDM_PLAY, text, 64, MF_BYCOMMAND);
    CHECK(std::wstring(text) == (japanese ? L"再生(&X)\tAlt+X" : L"&Play\tAlt+X"));
    GetMenuStringW(main.program.menu.Popup(), 7, text, 64, MF_BYPOSITION);
    CHECK(std::wstring(text) == (japanese ? L"演奏設定(&S)" : L"Play &Options"));
    const NOTIFYICONDATAW& record = main.program.tray.Record();
    CHECK(record.cbSize == NOTIFYICONDATAW_V1_SIZE);
    CHECK(std::wstring(record.szTip) == L"veltoCD");
    main.Tick();  // the disc is taken up, and track 1 is queued
    sim::Pump(0);
    CHECK(std::wstring(record.szTip) == (japanese ? L"veltoCD / #1 再生中" : L"veltoCD / #1 Playing"));
    HWND list = GetDlgItem(main.window, IDC_TRACKLIST);
    CHECK(driver::EntryOf(list, 0) == title);
    CHECK(driver::EntryOf(list, 2) == (japanese ? "ﾄﾗｯｸ #  3" : "Track 3"));
    sim::Load(sim::Disc{});
    main.Tick();
    CHECK(std::wstring(record.szTip) == L"veltoCD / No Disc");
}

TEST_CASE("the window answers what it handles, and a failure already queued ends its play itself")
{
    sim::Disc disc = sim::discWithTracks({60000, 60000});
    disc.failAfterMs = 500;
    MainWindow main(disc);
    SIZE size = {};
    CHECK(SendMessageW(main.window, WM_GETDPISCALEDSIZE, 192, reinterpret_cast<LPARAM>(&size)) == TRUE);
    RECT outer, client;
    GetWindowRect(main.window, &outer);
    GetClientRect(main.window, &client);
    CHECK(size.cx - (outer.right - outer.left) == 288 - client.right);
    CHECK(size.cy - (outer.bottom - outer.top) == 208 - client.bottom);
    main.Tick();
    sim::Pump(0);
    main.Tick();  // sees the drive playing
    // The drive's failure is queued when the tick finds the drive stopped: the notification
    // opens the device afresh and the next tick plays the track again, not the next one.
    REQUIRE(sim::LogShows("NOTIFY MCI_NOTIFY_FAILURE"));
    main.Tick();
    sim::Pump(0);
    main.Tick();
    sim::Pump(0);
    CHECK(sim::plays(sim::readLog()) == "1 1");
    CHECK(SendMessageW(main.window, WM_APPCOMMAND, 0, MAKELPARAM(0, APPCOMMAND_MEDIA_STOP)) == TRUE);
}

TEST_CASE("a change of scale makes the glyphs, the icon and the client anew, and leaks nothing")
{
    MainWindow main;
    const HANDLE self = GetCurrentProcess();
    const DWORD gdi = GetGuiResources(self, GR_GDIOBJECTS), user = GetGuiResources(self, GR_USEROBJECTS);
    for (const UINT dpi : {192u, 144u, 96u}) {
        CAPTURE(dpi);
        const HICON oldIcon = main.program.tray.Record().hIcon;
        SIZE size = {};
        SendMessageW(main.window, WM_GETDPISCALEDSIZE, dpi, reinterpret_cast<LPARAM>(&size));
        RECT suggested = {100, 100, 100 + size.cx, 100 + size.cy};
        SendMessageW(main.window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        RECT client;
        GetClientRect(main.window, &client);
        CHECK(client.right == MulDiv(144, dpi, 96));
        CHECK(client.bottom == MulDiv(104, dpi, 96));
        CHECK(Sides(main.program) == SidesAt(dpi));
        CHECK(IconSide(oldIcon) == 0);  // destroyed
    }
    // Wine counts no objects (both 0), Windows does: either way they are back where they were.
    CHECK(GetGuiResources(self, GR_GDIOBJECTS) == gdi);
    CHECK(GetGuiResources(self, GR_USEROBJECTS) == user);
}

TEST_CASE("a shut-down delivered inside a tick leaves nothing to draw on")
{
    MainWindow main(sim::discWithTracks({300, 300}));
    main.Tick();
    sim::Pump(0);  // track 1 plays
    main.Tick();   // and is seen playing
    // Once it has ended, the tick looks for a queued notification: the end of the session,
    // sent meanwhile from another thread, arrives inside that look.
    REQUIRE(sim::PumpUntil([&] { return main.program.device.Mode() == MCI_MODE_STOP; }, 5000));
    const int frame = main.program.figure.Frame();
    PendingEndSession end(main.window);
    main.Tick();
    CHECK_FALSE(IsWindow(main.window));
    CHECK(main.program.figure.Frame() == frame);  // the stage did not step
    CHECK(sim::plays(sim::readLog()) == "1");
}

TEST_CASE("a session's end inside a shut-down returns with the settings saved; a cancelled one is none")
{
    MainWindow main(sim::discWithTracks({60000}), "WindowPosX=400\0WindowPosY=300\0");
    SendMessageW(main.window, WM_ENDSESSION, FALSE, 0);  // the log-off was cancelled
    CHECK(IsWindow(main.window));
    CHECK(Saved("Whim") == -1);  // nothing saved

    // Removing the icon waits on the notification area, which meanwhile delivers the session's end.
    PendingEndSession end(main.window);
    SendMessageW(main.window, WM_CLOSE, 0, 0);
    CHECK_FALSE(IsWindow(main.window));
    CHECK(sim::countLines(sim::readLog(), "MCI_CLOSE") == 1);
    WaitForSingleObject(end.thread, 5000);
    CHECK(end.savedWhim == 300);  // saved when the inner one returned
    CHECK(Saved("WindowPosX") == 400);
}
