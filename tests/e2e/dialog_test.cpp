// The operation settings dialog as a user drives it with the keyboard, while a disc plays on.
#include <doctest/doctest.h>

#include "res/resource.h"
#include "support/player.h"

using namespace e2e;

TEST_CASE("the operation settings dialog")
{
    Session run("[GENERAL]\r\nReverb=2\r\nWindowPosX=400\r\nWindowPosY=300\r\n",
                sim::discWithTracks({6000, 60000, 60000}));
    PostMessageA(run.player.window, WM_COMMAND, IDM_SETTINGS, 0);  // as its menu item does
    HWND dialog = nullptr;
    REQUIRE(sim::PumpUntil([&] { return (dialog = run.player.OwnedDialog()) != nullptr; }, kTimeoutMs));
    CHECK(TextOf(dialog) == (sim::JapaneseInterface() ? "veltoCD - 動作設定" : "veltoCD - Settings"));
    CHECK((GetWindowLongA(dialog, GWL_STYLE) & WS_SYSMENU) == 0);
    const auto number = [&] { return TextOf(GetDlgItem(dialog, IDC_REVERB)); };
    const auto marked = [&] {
        for (int id = IDC_ANDANTE; id <= IDC_ALLEGRO; ++id) {
            if (SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED) return id;
        }
        return 0;
    };
    CHECK(number() == "2");  // as the file has it, not the default
    CHECK(marked() == IDC_MODERATO);
    REQUIRE(BringToFront(dialog));
    CHECK(sim::PumpUntil([&] { return Focus(dialog) == GetDlgItem(dialog, IDC_REVERB); }, kTimeoutMs));

    // The arrows step by one towards their end of the range, up towards 1, and stop there.
    const std::pair<const char*, const char*> steps[] = {
        {"DD", "4"}, {"UUUU", "1"}, {"DDDDDDDDD", "8"}, {"UUUUU", "3"}};
    for (const auto& step : steps) {
        for (const char* key = step.first; *key != '\0'; ++key) REQUIRE(Press(dialog, *key == 'U' ? VK_UP : VK_DOWN));
        CHECK(sim::PumpUntil([&] { return number() == step.second; }, kTimeoutMs));
    }
    // Tab moves between the number and OK alone; Esc and the Alt keys do nothing here.
    for (const int id : {IDOK, IDC_REVERB, IDOK}) {
        REQUIRE(Press(dialog, VK_TAB));
        CHECK(sim::PumpUntil([&] { return Focus(dialog) == GetDlgItem(dialog, id); }, kTimeoutMs));
    }
    REQUIRE(Press(dialog, VK_ESCAPE));
    REQUIRE(Press(dialog, 'C', VK_MENU));
    // Meanwhile the first track ends, and the next one plays: Alt+C has not stopped the disc.
    REQUIRE(run.log.WaitPlay(2) != run.log.npos);
    CHECK(IsWindowVisible(dialog));
    CHECK(sim::plays(run.log.lines) == "1 2");

    // A tempo is taken at once, the last one chosen wins, and the timer changes only after OK.
    for (const int id : {IDC_ANDANTE, IDC_MODERATO, IDC_ALLEGRO}) {
        SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0);
        CHECK(marked() == id);
    }
    CHECK(run.log.TickPeriod(run.log.lines.size()) > 875);
    REQUIRE(Press(dialog, VK_RETURN));
    REQUIRE(sim::PumpUntil([&] { return !IsWindow(dialog); }, kTimeoutMs));
    CHECK(run.log.TickPeriod(run.log.lines.size()) < 875);
    CHECK(run.player.Close() == 0);
    CHECK(SavedSetting("Reverb") == "3");
    CHECK(SavedSetting("Tune") == "1007");
}
