// The popup menu and the notification-area icon of the real program objects, read back
// from the platform: texts and marks from the real menu, the tip as bytes in the record.
#include <doctest/doctest.h>

#include <cstring>
#include <string>

#include "app/context_menu.h"
#include "app/program.h"
#include "app/tray_icon.h"
#include "playback/cd_audio_device.h"
#include "playback/play_order.h"
#include "playback/playback_controller.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "support/sim_drive.h"

namespace {

// The marks as the menu shows them: keep in front, random, auto repeat, one track, all tracks.
std::string Marks()
{
    std::string marks;
    for (const UINT id : {IDM_TOPMOST, IDM_RANDOM, IDM_AUTOREPEAT, IDM_ONETRACK, IDM_ALLTRACKS}) {
        marks += (GetMenuState(Menu.Popup(), id, MF_BYCOMMAND) & MF_CHECKED) != 0 ? '1' : '0';
    }
    return marks;
}

// A window standing in for the main window, with the program's menu and icon; every
// setting 0, as at start-up, and again afterwards.
struct Shell {
    Shell()
    {
        AutoRepeat = RandomPlay = ShowTopMost = AllTracksMode = 0;
        Tray.AddIcon(window, GetModuleHandleA(nullptr));
        Menu.Create(GetModuleHandleA(nullptr));
    }
    ~Shell()
    {
        Menu.Destroy();
        Tray.DeleteIcon();
        DestroyWindow(window);
        AutoRepeat = RandomPlay = ShowTopMost = AllTracksMode = 0;
    }
    HWND window = CreateWindowA("STATIC", "veltoCD", WS_POPUP, 300, 300, 144, 104, nullptr, nullptr, nullptr, nullptr);
};

}  // namespace

TEST_CASE("the menu's items, glyphs and first marks")
{
    Shell shell;
    HMENU popup = Menu.Popup();
    const std::pair<UINT, const char*> items[] = {
        {IDM_TOPMOST, "手前に表示(&A)\tAlt+A"}, {IDM_PREV, "前のﾄﾗｯｸ(&Z)\tAlt+Z"}, {IDM_PLAY, "再生(&X)\tAlt+X"},
        {IDM_STOP, "停止(&C)\tAlt+C"}, {IDM_NEXT, "次のﾄﾗｯｸ(&V)\tAlt+V"}, {IDM_RANDOM, "ﾗﾝﾀﾞﾑ演奏(&Z)"},
        {IDM_AUTOREPEAT, "ｵｰﾄﾘﾋﾟｰﾄ(&X)"}, {IDM_ONETRACK, "1ﾄﾗｯｸ(&C)"}, {IDM_ALLTRACKS, "全曲(&V)"},
        {IDM_SETTINGS, "動作設定(&G) ..."}, {IDM_EXIT, "終了(&Q)"}, {7, "演奏設定(&S)"}};
    for (const auto& item : items) {
        char text[MAX_PATH] = {};
        GetMenuStringA(popup, item.first, text, MAX_PATH, item.first == 7 ? MF_BYPOSITION : MF_BYCOMMAND);
        CHECK(std::string(text) == item.second);
    }
    CHECK(GetMenuItemCount(popup) == 11);
    CHECK(GetMenuItemCount(GetSubMenu(popup, 7)) == 5);

    // The transport items show their glyph as the bitmap of their lasting checked state.
    for (const UINT id : {IDM_PREV, IDM_PLAY, IDM_STOP, IDM_NEXT}) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STATE | MIIM_CHECKMARKS;
        GetMenuItemInfoA(popup, id, FALSE, &info);
        BITMAP glyph = {};
        CHECK((info.fState & MFS_CHECKED) != 0);
        CHECK(GetObjectA(info.hbmpChecked, sizeof glyph, &glyph) == sizeof glyph);
        CHECK((glyph.bmWidth == 13 && glyph.bmHeight == 13 && glyph.bmBitsPixel == 1));
    }
    // Made while every setting is still 0: no marks, the bullet on one track.
    CHECK(Marks() == "00010");
}

TEST_CASE("the marks follow the commands, which leave the track playing")
{
    sim::Load(sim::discWithTracks({60000, 60000}));
    Shell shell;
    ShowTopMost = AllTracksMode = 1;  // as start-up leaves them with a fresh settings file
    Menu.SyncCheckMarks();
    CHECK(Marks() == "10001");
    const std::pair<int, const char*> steps[] = {{IDM_RANDOM, "11001"}, {IDM_ONETRACK, "11110"},
        {IDM_AUTOREPEAT, "11010"}, {IDM_ALLTRACKS, "11001"}, {IDM_RANDOM, "10001"}};
    for (const auto& step : steps) {
        Controller.OnCommand(shell.window, step.first, 0);
        CHECK(Marks() == step.second);
    }
    CHECK(sim::Log().empty());

    // Keep in front: off puts the window behind the other one, on raises it again.
    HWND other = CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(shell.window, SW_SHOWNA);
    const auto above = [&] {
        HWND w = GetTopWindow(nullptr);
        while (w != nullptr && w != other && w != shell.window) {
            w = GetWindow(w, GW_HWNDNEXT);
        }
        return w == shell.window;
    };
    TopmostSwitch(shell.window, 5);
    CHECK(ShowTopMost == 1);
    for (const bool on : {false, true}) {
        Controller.OnCommand(shell.window, IDM_TOPMOST, 0);
        CHECK(ShowTopMost == (on ? 1 : 0));
        CHECK(Marks()[0] == (on ? '1' : '0'));
        CHECK(((GetWindowLongPtrA(shell.window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0) == on);
        CHECK(above() == on);
    }
    DestroyWindow(other);
}

TEST_CASE("the tip: code page 932 bytes, cut between characters inside its field")
{
    sim::Load(sim::discWithTracks({60000, 60000, 60000}));
    Shell shell;
    const NOTIFYICONDATAA& record = Tray.Record();
    CHECK(record.cbSize == NOTIFYICONDATAA_V1_SIZE);
    CHECK(record.uFlags == (NIF_MESSAGE | NIF_ICON | NIF_TIP));
    CHECK(record.uCallbackMessage == 0x0464);
    CHECK(std::string(record.szTip) == "veltoCD");

    CdDevice.Open();
    Order.TrackCount = 3;
    Order.Build();
    Order.position = 2;
    Controller.OnCommand(shell.window, IDM_PLAY, 0);
    CHECK(std::string(record.szTip) == "veltoCD / #3 \x8d\xc4\x90\xb6\x92\x86");  // 再生中
    Controller.OnCommand(shell.window, IDM_STOP, 0);
    CHECK(std::string(record.szTip) == "veltoCD / #3 \x92\xe2\x8e\x7e\x92\x86");  // 停止中
    sim::Load(sim::Disc{});
    Controller.OnTick(shell.window);
    CHECK(std::string(record.szTip) == "veltoCD / No Disc");
    CdDevice.Close();

    std::string tip = "vv";
    while (tip.size() < 80) {
        tip += "再";  // 63 bytes would end in half a character
    }
    Tray.SetTip(tip.c_str());
    CHECK(std::string(record.szTip) == tip.substr(0, 62));
    Tray.SetTip(std::string(200, 'x').c_str());
    CHECK(std::string(record.szTip) == std::string(63, 'x'));
}

TEST_CASE("clicks on the icon")
{
    Shell shell;
    for (const LPARAM ignored : {WM_LBUTTONUP, WM_RBUTTONUP, WM_LBUTTONDBLCLK, WM_MOUSEMOVE}) {
        Tray.OnNotify(ignored);
    }
    Tray.OnNotify(WM_RBUTTONDOWN);
    MSG msg;
    REQUIRE(PeekMessageA(&msg, shell.window, 0, 0, PM_REMOVE));
    CHECK((msg.message == WM_RBUTTONDOWN && msg.lParam == 0));
    CHECK(!PeekMessageA(&msg, shell.window, 0, 0, PM_NOREMOVE));

    ShowWindow(shell.window, SW_SHOW);
    HWND other = CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    Tray.OnNotify(WM_LBUTTONDOWN);
    CHECK(GetForegroundWindow() == shell.window);
    DestroyWindow(other);
}
