// Playback as a user meets it: the keyboard, and a disc left to play to its end.
#include <doctest/doctest.h>

#include "res/resource.h"
#include "support/player.h"

using namespace e2e;

TEST_CASE("the accelerators work the player while the track list has the focus")
{
    SetScene(nullptr);
    sim::LogWatch log;
    Player player;
    REQUIRE(log.WaitPlay(1) != log.npos);
    HWND list = GetDlgItem(player.window, IDC_TRACKLIST);
    const auto focus = [&player] {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(player.window, nullptr), &info);
        return info.hwndFocus;
    };
    REQUIRE(BringToFront(player.window));
    // The dialog manager hands the focus to its only control when the window is activated.
    REQUIRE(sim::PumpUntil([&] { return focus() == list; }, kTimeoutMs));

    // Alt+C stops; the others play: back from the first wraps to the last, on from the last to the first.
    const std::pair<char, int> steps[] = {{'C', 0}, {'X', 1}, {'V', 2}, {'V', 3}, {'Z', 2}, {'Z', 1}, {'Z', 3}, {'V', 1}};
    const size_t start = log.lines.size();
    for (const auto& step : steps) {
        CAPTURE(step.first);
        const size_t mark = log.lines.size();
        REQUIRE(player.Press(step.first, true));
        REQUIRE((step.second == 0 ? log.WaitFor("MCI_STOP", mark) : log.WaitPlay(step.second, mark)) != log.npos);
    }
    CHECK(sim::Plays(log.lines, start) == "1 2 3 2 1 3 1");  // each key did its one thing
    CHECK(focus() == list);

    // Enter and Esc arrive as IDOK and IDCANCEL, which change nothing. Keys are handled in
    // order, so once the Alt+C after them has stopped the drive they have been handled too.
    const size_t beforeKeys = log.lines.size();
    for (const WORD key : {VK_RETURN, VK_ESCAPE}) {
        REQUIRE(player.Press(key));
    }
    REQUIRE(player.Press('C', true));
    REQUIRE(log.WaitFor("MCI_STOP", beforeKeys) != log.npos);
    CHECK(sim::Commands(log.lines, beforeKeys) == "MCI_STOP");
    CHECK(IsWindowVisible(player.window));
    CHECK(player.Close() == 0);
}

TEST_CASE("a disc left alone plays every track once and then stops")
{
    for (const bool notifies : {false, true}) {
        CAPTURE(notifies);
        sim::Disc disc = sim::discWithTracks({1500, 1500, 1500});
        disc.notifyEnd = notifies;
        SetScene("[GENERAL]\r\nTune=1007\r\n", disc);  // the fast tempo keeps the wait short
        sim::LogWatch log;
        Player player;
        size_t mark = 0;
        for (int track = 1; track <= 3; ++track) {
            mark = log.WaitPlay(track, mark);
            REQUIRE(mark != log.npos);
            // A track runs its whole length before the next one starts.
            CHECK((track == 1 || log.seenAt[mark] - log.seenAt[log.WaitPlay(track - 1)] + 100 >= 1500));
        }
        REQUIRE(log.WaitFor("MCI_STOP", mark) != log.npos);
        // Stopped for good: no play follows within two more ticks.
        sim::Pump(1600);
        log.Poll();
        CHECK(sim::Plays(log.lines) == "1 2 3");
        CHECK(player.Close() == 0);
    }
}
