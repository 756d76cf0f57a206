// Hand-edited settings files with values the player must repair or put up with.
#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "support/drive_log.h"
#include "support/player.h"

using namespace e2e;

TEST_CASE("odd values in the settings file")
{
    // Where the window must stand: a coordinate, or kEdge for flush with the screen's
    // right or bottom edge.
    const int kEdge = -1;
    struct Case {
        const char* settings;
        DWORD periodMs;
        bool topmost;
        int left;
        int top;
        std::string saved;  // after the close, "@" for the position lines
    };
    Case c{};
    SUBCASE("unknown tempo, far right and bottom, too much reverb, switches of 5")
    {
        c = {"[GENERAL]\r\nTune=2\r\nWindowPosX=5000\r\nWindowPosY=5000\r\nReverb=99\r\nShowTopMost=5\r\n"
             "AutoRepeat=5\r\n",
             1000, true, kEdge, kEdge,
             "[GENERAL]\r\nTune=1006\r\n@Reverb=8\r\nShowTopMost=1\r\nAutoRepeat=5\r\nRandomPlay=0\r\nWhim=300\r\n"};
    }
    SUBCASE("fast tempo, off the top left, no reverb, not on top")
    {
        c = {"[GENERAL]\r\nTune=1007\r\nWindowPosX=-50\r\nWindowPosY=-30\r\nReverb=0\r\nShowTopMost=0\r\n", 750, false,
             0, 0,
             "[GENERAL]\r\nTune=1007\r\n@Reverb=1\r\nShowTopMost=0\r\nAutoRepeat=0\r\nRandomPlay=0\r\nWhim=300\r\n"};
    }
    SUBCASE("slow tempo")
    {
        c = {"[GENERAL]\r\nTune=1005\r\nWindowPosX=400\r\nWindowPosY=300\r\n", 1500, true, 400, 300,
             "[GENERAL]\r\nTune=1005\r\n@AutoRepeat=0\r\nRandomPlay=0\r\nShowTopMost=1\r\nReverb=5\r\nWhim=300\r\n"};
    }
    SetScene(c.settings);
    DriveLog log;
    Player player;

    RECT outer;
    REQUIRE(GetWindowRect(player.window, &outer));
    const int left = c.left == kEdge ? GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left) : c.left;
    const int top = c.top == kEdge ? GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top) : c.top;
    CHECK(outer.left == left);
    CHECK(outer.top == top);
    CHECK(IsTopmost(player.window) == c.topmost);

    // The timer's period, from when the presence query of successive ticks shows up in the
    // log after the first play (each tick asks it once while a long track plays).
    const auto presenceQuery = [](const std::string& line) {
        return line.find("MCI_STATUS_MEDIA_PRESENT") != std::string::npos;
    };
    std::size_t tick = log.WaitFor(Plays(1));
    REQUIRE(tick != DriveLog::npos);
    std::vector<DWORD> ticks;
    while (ticks.size() < 3) {
        tick = log.WaitFor(presenceQuery, tick + 1);
        REQUIRE(tick != DriveLog::npos);
        ticks.push_back(log.entries[tick].seenAt);
    }
    const DWORD period = (ticks.back() - ticks.front()) / 2;
    MESSAGE("timer period " << period << " ms, expected " << c.periodMs);
    CHECK(period + 100 >= c.periodMs);
    CHECK(period <= c.periodMs + 100);

    CHECK(player.Close() == 0);
    c.saved.replace(c.saved.find('@'), 1,
                    "WindowPosX=" + std::to_string(left) + "\r\nWindowPosY=" + std::to_string(top) + "\r\n");
    CHECK(ReadFileBytes(kSettingsPath) == c.saved);
}
