// Playback as a user meets it: the keyboard, a disc taken out and put back, and a disc
// left to play to its end. The drive's log is the witness.
#include <doctest/doctest.h>

#include <functional>
#include <string>
#include <vector>

#include "res/resource.h"
#include "support/drive_log.h"
#include "support/player.h"

using namespace e2e;

namespace {

const DWORD kFirstPlayTimeoutMs = 5000;
// A key or a disc change shows within one timer period (1000 ms by default).
const DWORD kReactionTimeoutMs = 3000;

std::function<bool(const std::string&)> Plays(int track)
{
    return [track](const std::string& line) { return PlayedTrack(line) == track; };
}

std::function<bool(const std::string&)> Sends(const char* command)
{
    return [command](const std::string& line) { return IsCommand(line, command); };
}

int CountLines(DriveLog& log, const char* text)
{
    int count = 0;
    for (const LogEntry& entry : log.Entries()) {
        if (entry.line == text) {
            ++count;
        }
    }
    return count;
}

// A running player with the disc already playing track 1; `firstPlay` is that line.
struct RunningPlayer {
    DriveLog log;
    PlayerProcess player;
    HWND window = nullptr;
    std::size_t firstPlay = 0;

    RunningPlayer(const simdrive::Disc& disc, const char* settings)
    {
        REQUIRE(PrepareRun(disc, settings));
        REQUIRE(player.Start());
        window = player.WaitForWindow(kWindowTimeoutMs);
        REQUIRE(window != nullptr);
        firstPlay = log.WaitFor(0, Plays(1), kFirstPlayTimeoutMs);
        REQUIRE(firstPlay != DriveLog::npos);
    }

    // The exit code, or STILL_ACTIVE if the player did not end.
    DWORD Close()
    {
        DWORD code = STILL_ACTIVE;
        if (player.Post(WM_CLOSE)) {
            player.WaitForExit(kExitTimeoutMs, &code);
        }
        return code;
    }
};

}  // namespace

TEST_CASE("the accelerators work the player while the track list has the focus")
{
    RunningPlayer run(simdrive::discWithTracks({60000, 60000, 60000, 60000}), nullptr);
    HWND list = GetDlgItem(run.window, IDC_TRACKLIST);
    REQUIRE(list != nullptr);
    REQUIRE(run.player.BringToFront(2000));
    // The dialog manager hands the focus to its only control when the window is activated.
    REQUIRE(WaitUntil([&] { return run.player.FocusWindow() == list; }, 2000));

    struct Step {
        char key;
        int track;  // 0: the key stops
    };
    const Step steps[] = {
        {'C', 0}, {'X', 1}, {'V', 2}, {'V', 3}, {'Z', 2}, {'Z', 1},
        {'Z', 4},  // back from the first position wraps to the last
        {'V', 1},  // on from the last wraps to the first
    };
    const std::size_t afterFirstPlay = run.firstPlay + 1;
    std::vector<int> expectedPlays;
    for (const Step& step : steps) {
        CAPTURE(step.key);
        const std::size_t mark = run.log.Size();
        REQUIRE(run.player.PressAlt(step.key));
        if (step.track == 0) {
            REQUIRE(run.log.WaitFor(mark, Sends("MCI_STOP"), kReactionTimeoutMs) != DriveLog::npos);
        } else {
            REQUIRE(run.log.WaitFor(mark, Plays(step.track), kReactionTimeoutMs) != DriveLog::npos);
            expectedPlays.push_back(step.track);
        }
    }
    // Each key did its one thing: no play twice, none skipped.
    CHECK(run.log.PlaysSince(afterFirstPlay) == expectedPlays);
    CHECK(run.player.FocusWindow() == list);

    // Enter and Esc arrive as IDOK and IDCANCEL, which change nothing. Keys are handled in
    // order, so once the Alt+C after them has stopped the drive they have been handled too.
    const std::size_t beforeKeys = run.log.Size();
    REQUIRE(run.player.PressKey(VK_RETURN));
    REQUIRE(run.player.PressKey(VK_ESCAPE));
    REQUIRE(run.player.PressAlt('C'));
    REQUIRE(run.log.WaitFor(beforeKeys, Sends("MCI_STOP"), kReactionTimeoutMs) != DriveLog::npos);
    CHECK(run.log.CommandsSince(beforeKeys) == std::vector<std::string>{"MCI_STOP"});
    CHECK(run.player.Running());
    CHECK(IsWindowVisible(run.window));

    // Alt+A switches "on top" off and on; the last state is what gets saved.
    REQUIRE(IsTopmost(run.window));
    REQUIRE(run.player.PressAlt('A'));
    CHECK(WaitUntil([&] { return !IsTopmost(run.window); }, kReactionTimeoutMs));
    REQUIRE(run.player.PressAlt('A'));
    CHECK(WaitUntil([&] { return IsTopmost(run.window); }, kReactionTimeoutMs));
    REQUIRE(run.player.PressAlt('A'));
    CHECK(WaitUntil([&] { return !IsTopmost(run.window); }, kReactionTimeoutMs));

    CHECK(run.Close() == 0);
    CHECK(SavedSetting("ShowTopMost") == "0");
}

TEST_CASE("a disc taken out while playing and put back")
{
    const simdrive::Disc disc = simdrive::discWithTracks({60000, 60000, 60000});
    RunningPlayer run(disc, nullptr);
    // The next tick must notice; a tick comes every 1000 ms, the log is read every 10 ms.
    const DWORD nextTickMs = 1000 + 300;

    simdrive::Disc empty = disc;
    empty.present = false;
    const std::size_t beforeOut = run.log.Size();
    const DWORD outAt = GetTickCount();
    REQUIRE(simdrive::writeDisc(empty));
    const std::size_t closed = run.log.WaitFor(beforeOut, Sends("MCI_CLOSE"), kReactionTimeoutMs);
    REQUIRE(closed != DriveLog::npos);
    CHECK(run.log.Entries()[closed].seenAt - outAt <= nextTickMs);
    // Closed and opened again, ready for the next disc; nothing is played.
    CHECK(run.log.WaitFor(closed, Sends("MCI_OPEN"), kReactionTimeoutMs) != DriveLog::npos);
    CHECK(run.log.PlaysSince(beforeOut).empty());

    const std::size_t beforeIn = run.log.Size();
    const DWORD inAt = GetTickCount();
    REQUIRE(simdrive::writeDisc(disc));
    const std::size_t played = run.log.WaitFor(beforeIn, Plays(1), kReactionTimeoutMs);
    REQUIRE(played != DriveLog::npos);
    CHECK(run.log.Entries()[played].seenAt - inAt <= nextTickMs);
    // The device was opened afresh for the new disc before it played.
    std::vector<std::string> commands = run.log.CommandsSince(beforeIn);
    REQUIRE(commands.size() >= 3);
    CHECK(commands.back() == "MCI_PLAY");
    commands.pop_back();
    CHECK(commands.back() == "MCI_SET");
    CHECK(commands[commands.size() - 2] == "MCI_OPEN");
    CHECK(run.log.PlaysSince(beforeIn) == std::vector<int>{1});

    CHECK(run.Close() == 0);
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
    RunningPlayer run(disc, "[GENERAL]\r\nTune=1007\r\n");

    const std::size_t second = run.log.WaitFor(run.firstPlay, Plays(2), 3 * trackMs);
    REQUIRE(second != DriveLog::npos);
    const std::size_t third = run.log.WaitFor(second, Plays(3), 3 * trackMs);
    REQUIRE(third != DriveLog::npos);
    const std::size_t stop = run.log.WaitFor(third, Sends("MCI_STOP"), 3 * trackMs);
    REQUIRE(stop != DriveLog::npos);
    // Stopped for good: no play follows within two more ticks.
    run.log.Watch(2 * periodMs + 100);
    CHECK(run.log.PlaysSince(0) == std::vector<int>{1, 2, 3});
    CHECK(run.log.CommandsSince(stop + 1).empty());

    // Each track ran its length, and its end was acted on at once (a reported end) or by
    // the next tick (a silent one).
    const DWORD latest = trackMs + (notifies ? 0 : periodMs) + 400;
    const std::size_t marks[] = {run.firstPlay, second, third, stop};
    for (int i = 0; i < 3; ++i) {
        CAPTURE(i);
        const DWORD ran = run.log.Entries()[marks[i + 1]].seenAt - run.log.Entries()[marks[i]].seenAt;
        CHECK(ran + 100 >= trackMs);
        CHECK(ran <= latest);
    }
    if (notifies) {
        CHECK(CountLines(run.log, "NOTIFY MCI_NOTIFY_SUCCESSFUL") == 3);
        CHECK(CountLines(run.log, "NOTIFY MCI_NOTIFY_ABORTED") == 0);
    } else {
        CHECK(CountLines(run.log, "NOTIFY MCI_NOTIFY_SUCCESSFUL") == 0);
    }

    CHECK(run.Close() == 0);
}
