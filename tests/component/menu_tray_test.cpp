// The popup menu and the notification-area icon of the real program objects, read back
// from the platform: check marks from the real menu, the tip as bytes in the record.
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

struct Marks {
    bool topmost, random, autoRepeat, oneTrack, allTracks;
    bool operator==(const Marks& o) const
    {
        return topmost == o.topmost && random == o.random && autoRepeat == o.autoRepeat && oneTrack == o.oneTrack &&
               allTracks == o.allTracks;
    }
};

doctest::String toString(const Marks& m)
{
    char text[80];
    wsprintfA(text, "topmost %d random %d repeat %d one %d all %d", m.topmost, m.random, m.autoRepeat, m.oneTrack,
              m.allTracks);
    return text;
}

bool checked(UINT id)
{
    return (GetMenuState(Menu.Popup(), id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

Marks marks()
{
    return Marks{checked(IDM_TOPMOST), checked(IDM_RANDOM), checked(IDM_AUTOREPEAT), checked(IDM_ONETRACK),
                 checked(IDM_ALLTRACKS)};
}

MENUITEMINFOA itemInfo(UINT id)
{
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_CHECKMARKS;
    GetMenuItemInfoA(Menu.Popup(), id, FALSE, &info);
    return info;
}

std::string menuText(HMENU menu, UINT item, UINT flags)
{
    char text[MAX_PATH] = {};
    GetMenuStringA(menu, item, text, MAX_PATH, flags);
    return text;
}

// A hidden window standing in for the main window, with the program's menu and icon.
struct Shell {
    Shell()
    {
        window = CreateWindowA("STATIC", "veltoCD", WS_POPUP, 300, 300, 144, 104, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
        AutoRepeat = RandomPlay = ShowTopMost = AllTracksMode = 0;
        Tray.AddIcon(window, GetModuleHandleA(nullptr));
        Menu.Create(GetModuleHandleA(nullptr));
    }
    ~Shell()
    {
        Menu.Destroy();
        Tray.DeleteIcon();
        DestroyWindow(window);
    }
    HWND window;
};

}  // namespace

TEST_CASE("the menu's items, glyphs and first marks")
{
    Shell shell;
    HMENU popup = Menu.Popup();
    REQUIRE(popup != nullptr);

    CHECK(menuText(popup, IDM_TOPMOST, MF_BYCOMMAND) == "手前に表示(&A)\tAlt+A");
    CHECK(menuText(popup, IDM_PREV, MF_BYCOMMAND) == "前のﾄﾗｯｸ(&Z)\tAlt+Z");
    CHECK(menuText(popup, IDM_PLAY, MF_BYCOMMAND) == "再生(&X)\tAlt+X");
    CHECK(menuText(popup, IDM_STOP, MF_BYCOMMAND) == "停止(&C)\tAlt+C");
    CHECK(menuText(popup, IDM_NEXT, MF_BYCOMMAND) == "次のﾄﾗｯｸ(&V)\tAlt+V");
    CHECK(menuText(popup, 7, MF_BYPOSITION) == "演奏設定(&S)");
    CHECK(menuText(popup, IDM_RANDOM, MF_BYCOMMAND) == "ﾗﾝﾀﾞﾑ演奏(&Z)");
    CHECK(menuText(popup, IDM_AUTOREPEAT, MF_BYCOMMAND) == "ｵｰﾄﾘﾋﾟｰﾄ(&X)");
    CHECK(menuText(popup, IDM_ONETRACK, MF_BYCOMMAND) == "1ﾄﾗｯｸ(&C)");
    CHECK(menuText(popup, IDM_ALLTRACKS, MF_BYCOMMAND) == "全曲(&V)");
    CHECK(menuText(popup, IDM_SETTINGS, MF_BYCOMMAND) == "動作設定(&G) ...");
    CHECK(menuText(popup, IDM_EXIT, MF_BYCOMMAND) == "終了(&Q)");
    CHECK(GetMenuItemCount(popup) == 11);
    CHECK(GetMenuItemCount(GetSubMenu(popup, 7)) == 5);

    // The transport items always show their glyph as their checked-state bitmap.
    for (const UINT id : {IDM_PREV, IDM_PLAY, IDM_STOP, IDM_NEXT}) {
        CAPTURE(id);
        const MENUITEMINFOA info = itemInfo(id);
        CHECK((info.fState & MFS_CHECKED) != 0);
        CHECK(info.hbmpChecked != nullptr);
        CHECK(info.hbmpUnchecked == nullptr);
        BITMAP glyph = {};
        REQUIRE(GetObjectA(info.hbmpChecked, sizeof glyph, &glyph) == sizeof glyph);
        CHECK(glyph.bmWidth == 13);
        CHECK(glyph.bmHeight == 13);
        CHECK(glyph.bmBitsPixel == 1);
    }
    CHECK(itemInfo(IDM_SETTINGS).fState == MFS_UNCHECKED);
    CHECK(itemInfo(IDM_EXIT).fState == MFS_UNCHECKED);

    // Created while every setting is still 0: all clear, the bullet on one track.
    CHECK(marks() == Marks{false, false, false, true, false});
    CHECK((itemInfo(IDM_ONETRACK).fType & MFT_RADIOCHECK) != 0);
}

TEST_CASE("the marks follow the settings and the commands")
{
    REQUIRE(simdrive::writeDisc(simdrive::discWithTracks({60000, 60000})));
    Shell shell;
    // As start-up leaves them with a fresh settings file.
    ShowTopMost = 1;
    AllTracksMode = 1;
    Menu.SyncCheckMarks();
    CHECK(marks() == Marks{true, false, false, false, true});
    CHECK((itemInfo(IDM_ALLTRACKS).fType & MFT_RADIOCHECK) != 0);

    Controller.OnCommand(shell.window, IDM_RANDOM, 0);
    CHECK(marks() == Marks{true, true, false, false, true});
    Controller.OnCommand(shell.window, IDM_ONETRACK, 0);
    CHECK(marks() == Marks{true, true, true, true, false});
    Controller.OnCommand(shell.window, IDM_AUTOREPEAT, 0);
    CHECK(marks() == Marks{true, true, false, true, false});
    Controller.OnCommand(shell.window, IDM_ALLTRACKS, 0);
    CHECK(marks() == Marks{true, true, false, false, true});
    Controller.OnCommand(shell.window, IDM_RANDOM, 0);
    CHECK(marks() == Marks{true, false, false, false, true});

    SUBCASE("keep in front, off and on")
    {
        HWND other = CreateWindowA("STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
        ShowWindow(shell.window, SW_SHOWNA);
        TopmostSwitch(shell.window, 5);
        CHECK(ShowTopMost == 1);
        CHECK((GetWindowLongPtrA(shell.window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);

        Controller.OnCommand(shell.window, IDM_TOPMOST, 0);
        CHECK(ShowTopMost == 0);
        CHECK(!marks().topmost);
        CHECK((GetWindowLongPtrA(shell.window, GWL_EXSTYLE) & WS_EX_TOPMOST) == 0);
        // At the bottom: behind the other window, the last of the top-level windows we made.
        bool otherFirst = false;
        for (HWND w = GetTopWindow(nullptr); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
            if (w == other) {
                otherFirst = true;
            }
            if (w == shell.window) {
                break;
            }
        }
        CHECK(otherFirst);

        Controller.OnCommand(shell.window, IDM_TOPMOST, 0);
        CHECK(ShowTopMost == 1);
        CHECK(marks().topmost);
        CHECK((GetWindowLongPtrA(shell.window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
        DestroyWindow(other);
    }
    SUBCASE("losing the disc syncs the marks")
    {
        RandomPlay = 1;  // as if changed behind the menu's back
        REQUIRE(simdrive::writeDisc(simdrive::Disc{}));
        CdDevice.Open();
        Controller.OnTick(shell.window);
        CHECK(marks().random);
        RandomPlay = 0;
    }
}

TEST_CASE("the tip texts reach the record as code page 932 bytes")
{
    REQUIRE(simdrive::writeDisc(simdrive::discWithTracks({60000, 60000, 60000})));
    Shell shell;
    const NOTIFYICONDATAA& record = Tray.Record();
    CHECK(record.cbSize == NOTIFYICONDATAA_V1_SIZE);
    CHECK(record.hWnd == shell.window);
    CHECK(record.uID == 1);
    CHECK(record.uFlags == (NIF_MESSAGE | NIF_ICON | NIF_TIP));
    CHECK(record.uCallbackMessage == 0x0464);
    CHECK(record.hIcon != nullptr);
    CHECK(std::string(record.szTip) == "veltoCD");

    CdDevice.Open();
    Order.TrackCount = 3;
    Order.Build();
    Order.position = 2;
    Controller.OnCommand(shell.window, IDM_PLAY, 0);
    CHECK(std::string(record.szTip) == "veltoCD / #3 \x8d\xc4\x90\xb6\x92\x86");  // 再生中
    Controller.OnCommand(shell.window, IDM_STOP, 0);
    CHECK(std::string(record.szTip) == "veltoCD / #3 \x92\xe2\x8e\x7e\x92\x86");  // 停止中

    REQUIRE(simdrive::writeDisc(simdrive::Disc{}));
    Controller.OnTick(shell.window);
    CHECK(std::string(record.szTip) == "veltoCD / No Disc");
    CdDevice.Close();
}

TEST_CASE("an over-long tip is cut between characters, inside its 64-byte field")
{
    Shell shell;
    const NOTIFYICONDATAA& record = Tray.Record();
    std::string tip = "vv";
    for (int i = 0; i < 40; ++i) {
        tip += "再";  // two bytes each: 63 bytes would end on half a character
    }
    Tray.SetTip(tip.c_str());
    CHECK(std::strlen(record.szTip) == 62);
    CHECK(std::string(record.szTip) == tip.substr(0, 62));
    for (size_t i = 62; i < sizeof record.szTip; ++i) {
        REQUIRE(record.szTip[i] == '\0');
    }

    Tray.SetTip(std::string(200, 'x').c_str());
    CHECK(std::string(record.szTip) == std::string(63, 'x'));
}

TEST_CASE("clicks on the icon")
{
    Shell shell;
    MSG msg;
    Tray.OnNotify(WM_RBUTTONDOWN);
    REQUIRE(PeekMessageA(&msg, shell.window, WM_RBUTTONDOWN, WM_RBUTTONDOWN, PM_REMOVE));
    CHECK(msg.lParam == 0);
    for (const LPARAM ignored : {WM_LBUTTONUP, WM_RBUTTONUP, WM_LBUTTONDBLCLK, WM_MOUSEMOVE}) {
        Tray.OnNotify(ignored);
    }
    CHECK(!PeekMessageA(&msg, shell.window, 0, 0, PM_NOREMOVE));

    ShowWindow(shell.window, SW_SHOW);
    HWND other = CreateWindowA("STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(other);
    Tray.OnNotify(WM_LBUTTONDOWN);
    CHECK(GetForegroundWindow() == shell.window);
    DestroyWindow(other);
}
