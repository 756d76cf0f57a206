// Playback as a user meets it: the keyboard, a disc taken out and put back, and a disc
// left to play to its end. The drive's log is the witness.
#include <doctest/doctest.h>

#include <algorithm>
#include <string>

#include "res/resource.h"
#include "support/drive_log.h"
#include "support/player.h"

using namespace e2e;

TEST_CASE("the accelerators work the player while the track list has the focus")
{
    SetScene(nullptr);
    DriveLog log;
    Player player;
    const std::size_t firstPlay = log.WaitFor(Plays(1));
    REQUIRE(firstPlay != DriveLog::npos);
    HWND list = GetDlgItem(player.window, IDC_TRACKLIST);
    REQUIRE(list != nullptr);
    const auto focus = [&player] {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(player.window, nullptr), &info);
        return info.hwndFocus;
    };
    REQUIRE(player.BringToFront());
    // The dialog manager hands the focus to its only control when the window is activated.
    REQUIRE(WaitUntil([&] { return focus() == list; }, 5000));

    struct Step {
        char key;
        int track;  // 0: the key stops
    };
    const Step steps[] = {
        {'C', 0}, {'X', 1}, {'V', 2}, {'V', 3}, {'Z', 2}, {'Z', 1},
        {'Z', 3},  // back from the first track wraps to the last
        {'V', 1},  // on from the last wraps to the first
    };
    std::string expectedPlays;
    for (const Step& step : steps) {
        CAPTURE(step.key);
        const std::size_t mark = log.entries.size();
        REQUIRE(player.Press(step.key, true));
        REQUIRE(log.WaitFor(step.track == 0 ? Sends("MCI_STOP") : Plays(step.track), mark) != DriveLog::npos);
        if (step.track != 0) {
            expectedPlays += (expectedPlays.empty() ? "" : " ") + std::to_string(step.track);
        }
    }
    // Each key did its one thing: no play twice, none skipped.
    CHECK(log.PlaysSince(firstPlay + 1) == expectedPlays);
    CHECK(focus() == list);

    // Enter and Esc arrive as IDOK and IDCANCEL, which change nothing. Keys are handled in
    // order, so once the Alt+C after them has stopped the drive they have been handled too.
    const std::size_t beforeKeys = log.entries.size();
    REQUIRE(player.Press(VK_RETURN));
    REQUIRE(player.Press(VK_ESCAPE));
    REQUIRE(player.Press('C', true));
    REQUIRE(log.WaitFor(Sends("MCI_STOP"), beforeKeys) != DriveLog::npos);
    CHECK(log.CommandsSince(beforeKeys) == "MCI_STOP");
    CHECK(player.Running());
    CHECK(IsWindowVisible(player.window));
    CHECK(player.Close() == 0);
}

TEST_CASE("a disc taken out while playing and put back")
{
    const simdrive::Disc disc = LongDisc();
    SetScene(nullptr, disc);
    DriveLog log;
    Player player;
    REQUIRE(log.WaitFor(Plays(1)) != DriveLog::npos);
    // The next tick must notice; a tick comes every 1000 ms, the log is read every 10 ms.
    const DWORD nextTickMs = 1000 + 300;

    simdrive::Disc empty = disc;
    empty.present = false;
    const std::size_t beforeOut = log.entries.size();
    const DWORD outAt = GetTickCount();
    REQUIRE(simdrive::writeDisc(empty));
    const std::size_t closed = log.WaitFor(Sends("MCI_CLOSE"), beforeOut);
    REQUIRE(closed != DriveLog::npos);
    CHECK(log.entries[closed].seenAt - outAt <= nextTickMs);
    // Closed and opened again, ready for the next disc; nothing is played.
    CHECK(log.WaitFor(Sends("MCI_OPEN"), closed) != DriveLog::npos);
    CHECK(log.PlaysSince(beforeOut) == "");

    const std::size_t beforeIn = log.entries.size();
    const DWORD inAt = GetTickCount();
    REQUIRE(simdrive::writeDisc(disc));
    const std::size_t played = log.WaitFor(Plays(1), beforeIn);
    REQUIRE(played != DriveLog::npos);
    CHECK(log.entries[played].seenAt - inAt <= nextTickMs);
    // The device was opened afresh for the new disc before it played, and played it once.
    CHECK(log.CommandsSince(log.WaitFor(Sends("MCI_OPEN"), beforeIn)) == "MCI_OPEN MCI_SET MCI_PLAY");
    CHECK(log.PlaysSince(beforeIn) == "1");
    CHECK(player.Close() == 0);
}

TEST_CASE("a disc left alone plays every track once and then stops")
{
    bool notifies = false;
    SUBCASE("the platform never reports a play's end") { notifies = false; }
    SUBCASE("the platform reports each play's end") { notifies = true; }

    const DWORD trackMs = 1500;
    const DWORD periodMs = 750;
    simdrive::Disc disc = simdrive::discWithTracks({trackMs, trackMs, trackMs});
    disc.notifyEnd = notifies;
    // The fast tempo keeps the wait short.
    SetScene("[GENERAL]\r\nTune=1007\r\n", disc);
    DriveLog log;
    Player player;

    std::size_t marks[4] = {};  // the three plays and the stop
    for (int i = 0; i < 4; ++i) {
        CAPTURE(i);
        marks[i] = log.WaitFor(i < 3 ? Plays(i + 1) : Sends("MCI_STOP"), i == 0 ? 0 : marks[i - 1]);
        REQUIRE(marks[i] != DriveLog::npos);
    }
    // Stopped for good: no play follows within two more ticks.
    Sleep(2 * periodMs + 100);
    log.Poll();
    CHECK(log.PlaysSince(0) == "1 2 3");
    CHECK(log.CommandsSince(marks[3] + 1) == "");

    // Each track ran its length, and its end was acted on at once (a reported end) or by
    // the next tick (a silent one).
    const DWORD latest = trackMs + (notifies ? 0 : periodMs) + 400;
    for (int i = 0; i < 3; ++i) {
        CAPTURE(i);
        const DWORD ran = log.entries[marks[i + 1]].seenAt - log.entries[marks[i]].seenAt;
        CHECK(ran + 100 >= trackMs);
        CHECK(ran <= latest);
    }
    const auto count = [&log](const std::string& line) {
        return std::count_if(log.entries.begin(), log.entries.end(), [&](const auto& e) { return e.line == line; });
    };
    CHECK(count("NOTIFY MCI_NOTIFY_SUCCESSFUL") == (notifies ? 3 : 0));
    if (notifies) {
        CHECK(count("NOTIFY MCI_NOTIFY_ABORTED") == 0);
    }
    CHECK(player.Close() == 0);
}
