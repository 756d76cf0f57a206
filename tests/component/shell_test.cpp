// The popup menu and the notification-area icon of the real program objects, read back
// from the platform: texts and marks from the real menu, the tip as bytes in the record.
#include <doctest/doctest.h>

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
    ~Shell() { Menu.Destroy(), Tray.DeleteIcon(), DestroyWindow(window), AutoRepeat = RandomPlay = ShowTopMost = AllTracksMode = 0; }
    HWND window = CreateWindowA("STATIC", "veltoCD", WS_POPUP, 300, 300, 144, 104, nullptr, nullptr, nullptr, nullptr);
};

}  // namespace

TEST_CASE("the menu: its texts in code page 932, the transport glyphs, and marks that follow the commands")
{
    sim::Load(sim::discWithTracks({60000, 60000}));
    Shell shell;
    HMENU popup = Menu.Popup();
    const std::pair<UINT, const char*> items[] = {{IDM_TOPMOST, "手前に表示(&A)\tAlt+A"}, {IDM_NEXT, "次のﾄﾗｯｸ(&V)\tAlt+V"},
        {IDM_SETTINGS, "動作設定(&G) ..."}, {7, "演奏設定(&S)"}};
    for (const auto& item : items) {
        char text[MAX_PATH] = {};
        GetMenuStringA(popup, item.first, text, MAX_PATH, item.first == 7 ? MF_BYPOSITION : MF_BYCOMMAND);
        CHECK(std::string(text) == item.second);
    }
    CHECK((GetMenuItemCount(popup) == 11 && GetMenuItemCount(GetSubMenu(popup, 7)) == 5));
    // The transport items show their glyph as the bitmap of their lasting checked state.
    for (const UINT id : {IDM_PREV, IDM_PLAY, IDM_STOP, IDM_NEXT}) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STATE | MIIM_CHECKMARKS;
        GetMenuItemInfoA(popup, id, FALSE, &info);
        BITMAP glyph = {};
        GetObjectA(info.hbmpChecked, sizeof glyph, &glyph);
        CHECK(((info.fState & MFS_CHECKED) && glyph.bmWidth == 13 && glyph.bmHeight == 13 && glyph.bmBitsPixel == 1));
    }
    CHECK(Marks() == "00010");  // made while every setting is 0: the bullet on one track

    ShowTopMost = AllTracksMode = 1;  // as start-up leaves them with a fresh settings file
    Menu.SyncCheckMarks();
    CHECK(Marks() == "10001");
    const std::pair<int, const char*> steps[] = {{IDM_RANDOM, "11001"}, {IDM_ONETRACK, "11110"},
        {IDM_AUTOREPEAT, "11010"}, {IDM_ALLTRACKS, "11001"}, {IDM_RANDOM, "10001"}, {IDM_TOPMOST, "00001"}};
    for (const auto& step : steps) {
        CHECK((Controller.OnCommand(shell.window, step.first, 0), Marks()) == step.second);
    }
    CHECK(sim::Log().empty());  // none of them touches the track playing
}

TEST_CASE("the tip in the icon's record: code page 932 bytes, cut between characters inside its field")
{
    Shell shell;
    const NOTIFYICONDATAA& record = Tray.Record();
    CHECK((record.cbSize == NOTIFYICONDATAA_V1_SIZE && record.uFlags == 7 && record.uCallbackMessage == 0x0464));
    CHECK(std::string(record.szTip) == "veltoCD");
    Tray.SetTip("veltoCD / #3 再生中");
    CHECK(std::string(record.szTip) == "veltoCD / #3 \x8d\xc4\x90\xb6\x92\x86");

    std::string tip = "vv";
    while (tip.size() < 80) tip += "再";  // 63 bytes would end in half a character
    Tray.SetTip(tip.c_str());
    CHECK(std::string(record.szTip) == tip.substr(0, 62));
    Tray.SetTip(std::string(200, 'x').c_str());
    CHECK(std::string(record.szTip) == std::string(63, 'x'));
}
