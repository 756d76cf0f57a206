// Playback as a user meets it: the keyboard and the track list.
#include <doctest/doctest.h>

#include "res/resource.h"
#include "support/player.h"

using namespace e2e;

TEST_CASE("the accelerators and the Stop media key work the player while the track list has the focus")
{
    Session run(nullptr);
    HWND list = GetDlgItem(run.player.window, IDC_TRACKLIST);
    REQUIRE(BringToFront(run.player.window));
    // The dialog manager hands the focus to its only control when the window is activated.
    REQUIRE(sim::PumpUntil([&] { return Focus(run.player.window) == list; }, kTimeoutMs));

    // Alt+C stops; back from the first track wraps to the last, on from the last to the first.
    // The Stop media key, and its WM_APPCOMMAND (key 0 here), stop, also when pressed again.
    const struct {
        WORD key, modifier;
        int track;  // played by the key, 0 for a stop
    } steps[] = {{'C', VK_MENU, 0}, {'X', VK_MENU, 1}, {'V', VK_MENU, 2}, {'V', VK_MENU, 3},     {'Z', VK_MENU, 2},
                 {'Z', VK_MENU, 1}, {'Z', VK_MENU, 3}, {'V', VK_MENU, 1}, {VK_MEDIA_STOP, 0, 0}, {VK_MEDIA_STOP, 0, 0},
                 {'X', VK_MENU, 1}, {0, 0, 0},         {0, 0, 0}};
    const size_t start = run.log.lines.size();
    for (const auto& step : steps) {
        CAPTURE(step.key);
        const size_t mark = run.log.lines.size();
        if (step.key != 0) REQUIRE(run.player.Press(step.key, step.modifier));
        if (step.key == 0) SendMessageA(run.player.window, WM_APPCOMMAND, 0, MAKELPARAM(0, APPCOMMAND_MEDIA_STOP));
        REQUIRE((step.track == 0 ? run.log.WaitFor("MCI_STOP", mark) : run.log.WaitPlay(step.track, mark)) !=
                run.log.npos);
    }
    CHECK(sim::plays(run.log.lines, start) == "1 2 3 2 1 3 1 1");  // each key did its one thing
    // Enter and Esc arrive as IDOK and IDCANCEL, which change nothing: keys are handled in
    // order, so once the Alt+C after them has stopped the drive they have been handled too.
    const size_t mark = run.log.lines.size();
    REQUIRE(run.player.Press(VK_RETURN));
    REQUIRE(run.player.Press(VK_ESCAPE));
    REQUIRE(run.player.Press('C', VK_MENU));
    REQUIRE(run.log.WaitFor("MCI_STOP", mark) != run.log.npos);
    CHECK(sim::commands(run.log.lines, mark) == "MCI_STOP");
    CHECK(IsWindowVisible(run.player.window));
    CHECK(Focus(run.player.window) == list);
    CHECK(run.player.Close() == 0);
}

TEST_CASE("the track list shows the disc's titles; a track chosen with the mouse or the arrow keys plays")
{
    sim::SetDefaultDrive(REG_DWORD, sim::Bytes(0, 4));  // drive D:, whose disc cdplayer.ini knows
    sim::WriteTitles("[1A2B3C4D]\r\n1=雨上がりのステップ\r\n");
    Session run(kPlaced, sim::discWithTracks({60000, 60000, 60000, 60000}));
    HWND list = GetDlgItem(run.player.window, IDC_TRACKLIST);
    CHECK(EntryOf(list, 0) == "ﾄﾗｯｸ #  1");
    CHECK(EntryOf(list, 1) == "雨上がりのステップ");
    CHECK(SendMessageA(list, CB_GETCURSEL, 0, 0) == 0);

    RECT rect;
    GetWindowRect(list, &rect);
    REQUIRE(ClickAt({rect.right - 6, (rect.top + rect.bottom) / 2}, false));
    std::vector<HWND> dropped;
    REQUIRE(sim::PumpUntil([&] { return !(dropped = run.player.Shown("ComboLBox")).empty(); }, kTimeoutMs));
    GetWindowRect(dropped[0], &rect);
    const LONG height = static_cast<LONG>(SendMessageA(list, CB_GETITEMHEIGHT, 0, 0));
    REQUIRE(ClickAt({rect.left + 20, rect.top + 2 + height * 5 / 2}, false));  // the third entry
    CHECK(run.log.WaitPlay(3) != run.log.npos);
    for (const auto& step : {std::make_pair(VK_DOWN, 4), std::make_pair(VK_UP, 3)}) {
        const size_t mark = run.log.lines.size();
        REQUIRE(run.player.Press(static_cast<WORD>(step.first)));
        CHECK(run.log.WaitPlay(step.second, mark) != run.log.npos);
    }
    CHECK(run.player.Close() == 0);
}
