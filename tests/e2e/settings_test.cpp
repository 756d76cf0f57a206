// Hand-edited settings files with values the player must repair or put up with.
#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "support/drive_log.h"
#include "support/player.h"

using namespace e2e;

namespace {


// The timer's period, from the times the presence query of successive ticks shows up in
// the drive's log after the first play (each tick asks it once while a long track plays).
DWORD MeasureTickPeriod(DriveLog& log, int intervals, DWORD expectedMs)
{
    const std::size_t play = log.WaitFor(0, [](const std::string& line) { return PlayedTrack(line) == 1; }, 5000);
    REQUIRE(play != DriveLog::npos);
    std::vector<DWORD> ticks;
    std::size_t next = play + 1;
    while (static_cast<int>(ticks.size()) <= intervals) {
        next = log.WaitFor(next, IsPresenceQuery, expectedMs * 2 + 500);
        REQUIRE(next != DriveLog::npos);
        ticks.push_back(log.Entries()[next].seenAt);
        ++next;
    }
    return (ticks.back() - ticks.front()) / static_cast<DWORD>(intervals);
}

}  // namespace

TEST_CASE("odd values in the settings file")
{
    // Where the window must stand: a coordinate, or kEdge for flush with the screen's
    // right or bottom edge.
    const int kEdge = 1 << 30;
    struct Case {
        const char* settings;
        DWORD periodMs;
        bool topmost;
        int left;
        int top;
        std::vector<std::string> saved;  // after the close; "@X" and "@Y" stand for the position
        const char* screenshot;
    };
    Case c{};
    SUBCASE("unknown tempo, far right and bottom, too much reverb, switches of 5")
    {
        c.settings = "[GENERAL]\r\nTune=2\r\nWindowPosX=5000\r\nWindowPosY=5000\r\nReverb=99\r\n"
                     "ShowTopMost=5\r\nAutoRepeat=5\r\n";
        c.periodMs = 1000;
        c.topmost = true;
        c.left = kEdge;
        c.top = kEdge;
        c.screenshot = "settings_far_corner";
        c.saved = {"[GENERAL]", "Tune=1006", "@X", "@Y", "Reverb=8", "ShowTopMost=1",
                   "AutoRepeat=5", "RandomPlay=0", "Whim=300"};
    }
    SUBCASE("fast tempo, off the top left, no reverb, not on top")
    {
        c.settings = "[GENERAL]\r\nTune=1007\r\nWindowPosX=-50\r\nWindowPosY=-30\r\nReverb=0\r\nShowTopMost=0\r\n";
        c.periodMs = 750;
        c.topmost = false;
        c.left = 0;
        c.top = 0;
        c.screenshot = "settings_off_screen_top_left";
        c.saved = {"[GENERAL]", "Tune=1007", "@X", "@Y", "Reverb=1", "ShowTopMost=0",
                   "AutoRepeat=0", "RandomPlay=0", "Whim=300"};
    }
    SUBCASE("slow tempo")
    {
        c.settings = "[GENERAL]\r\nTune=1005\r\nWindowPosX=400\r\nWindowPosY=300\r\n";
        c.periodMs = 1500;
        c.topmost = true;
        c.left = 400;
        c.top = 300;
        c.screenshot = "settings_slow_tempo";
        c.saved = {"[GENERAL]", "Tune=1005", "@X", "@Y", "AutoRepeat=0", "RandomPlay=0",
                   "ShowTopMost=1", "Reverb=5", "Whim=300"};
    }
    REQUIRE(PrepareRun(simdrive::discWithTracks({60000, 60000}), c.settings));

    DriveLog log;
    PlayerProcess player;
    REQUIRE(player.Start());
    HWND window = player.WaitForWindow(kWindowTimeoutMs);
    REQUIRE(window != nullptr);

    RECT outer;
    RECT client;
    REQUIRE(GetWindowRect(window, &outer));
    REQUIRE(GetClientRect(window, &client));
    CHECK(client.right == 144);
    CHECK(client.bottom == 104);
    if (c.left == kEdge) {
        CHECK(outer.right == GetSystemMetrics(SM_CXSCREEN));
    } else {
        CHECK(outer.left == c.left);
    }
    if (c.top == kEdge) {
        CHECK(outer.bottom == GetSystemMetrics(SM_CYSCREEN));
    } else {
        CHECK(outer.top == c.top);
    }
    CHECK(IsTopmost(window) == c.topmost);
    SettlePainting(window);
    WARN(SaveScreenshot(c.screenshot));

    const DWORD period = MeasureTickPeriod(log, 2, c.periodMs);
    MESSAGE("timer period " << period << " ms, expected " << c.periodMs);
    CHECK(period + 100 >= c.periodMs);
    CHECK(period <= c.periodMs + 100);

    REQUIRE(player.Post(WM_CLOSE));
    DWORD code = STILL_ACTIVE;
    REQUIRE(player.WaitForExit(kExitTimeoutMs, &code));
    CHECK(code == 0);
    for (std::string& line : c.saved) {
        if (line == "@X") {
            line = "WindowPosX=" + std::to_string(outer.left);
        } else if (line == "@Y") {
            line = "WindowPosY=" + std::to_string(outer.top);
        }
    }
    CHECK(TextLines(ReadFileBytes(kSettingsPath)) == c.saved);
}
