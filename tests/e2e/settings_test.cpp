// Hand-edited settings files with values the player must repair or put up with.
#include <doctest/doctest.h>

#include "support/player.h"

using namespace e2e;

TEST_CASE("odd values in the settings file")
{
    const int kEdge = -1;  // flush with the screen's right or bottom edge
    struct Case {
        const char* settings;
        DWORD periodMs;
        bool topmost;
        int left, top;
        std::string saved;  // after the close, "@" for the position lines
    };
    const Case cases[] = {
        {"[GENERAL]\r\nTune=2\r\nWindowPosX=5000\r\nWindowPosY=5000\r\nReverb=99\r\nShowTopMost=5\r\nAutoRepeat=5\r\n",
         1000, true, kEdge, kEdge,
         "[GENERAL]\r\nTune=1006\r\n@Reverb=8\r\nShowTopMost=1\r\nAutoRepeat=5\r\nRandomPlay=0\r\nWhim=300\r\n"},
        {"[GENERAL]\r\nTune=1007\r\nWindowPosX=-50\r\nWindowPosY=-30\r\nReverb=0\r\nShowTopMost=0\r\n", 750, false, 0, 0,
         "[GENERAL]\r\nTune=1007\r\n@Reverb=1\r\nShowTopMost=0\r\nAutoRepeat=0\r\nRandomPlay=0\r\nWhim=300\r\n"},
        {"[GENERAL]\r\nTune=1005\r\nWindowPosX=400\r\nWindowPosY=300\r\n", 1500, true, 400, 300,
         "[GENERAL]\r\nTune=1005\r\n@AutoRepeat=0\r\nRandomPlay=0\r\nShowTopMost=1\r\nReverb=5\r\nWhim=300\r\n"},
    };
    for (const Case& c : cases) {
        CAPTURE(c.settings);
        SetScene(c.settings);
        sim::LogWatch log;
        Player player;
        RECT outer;
        GetWindowRect(player.window, &outer);
        const int left = c.left == kEdge ? GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left) : c.left;
        const int top = c.top == kEdge ? GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top) : c.top;
        CHECK((outer.left == left && outer.top == top && IsTopmost(player.window) == c.topmost));
        // Generous bounds, halfway to the neighbouring tempos.
        const DWORD period = log.TickPeriod(log.WaitPlay(1));
        CHECK((period * 8 >= c.periodMs * 7 && period * 4 <= c.periodMs * 5));
        CHECK(player.Close() == 0);
        std::string saved = c.saved;
        saved.replace(saved.find('@'), 1, "WindowPosX=" + std::to_string(left) + "\r\nWindowPosY=" + std::to_string(top) + "\r\n");
        CHECK(ReadFileBytes(kSettingsPath) == saved);
    }
}
