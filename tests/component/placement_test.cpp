// Where the window lands at start-up, over layouts of monitors given as rectangles: Wine
// under Xvfb shows a single monitor, so the rule is tried here on its own.
#include <doctest/doctest.h>

#include <climits>
#include <string>
#include <vector>

#include "app/window_placement.h"

namespace {

MonitorArea Monitor(RECT monitor, RECT work)
{
    return MonitorArea{monitor, work};
}

const RECT kPrimary = {0, 0, 1024, 768};

std::string TopLeft(const RECT& rect)
{
    return std::to_string(rect.left) + "," + std::to_string(rect.top);
}

}  // namespace

TEST_CASE("the window stays on the monitor it lies on, inside its work area, or goes to the nearest")
{
    const std::vector<MonitorArea> single = {Monitor(kPrimary, kPrimary)};
    const std::vector<MonitorArea> sideBySide = {Monitor(kPrimary, {0, 0, 1024, 728}),
                                                 Monitor({1024, 0, 2048, 768}, {1024, 0, 2048, 768})};
    const std::vector<MonitorArea> leftOfPrimary = {Monitor(kPrimary, kPrimary),
                                                    Monitor({-1280, 0, 0, 1024}, {-1280, 0, 0, 984})};
    const std::vector<MonitorArea> stacked = {Monitor(kPrimary, kPrimary),
                                              Monitor({0, -768, 1024, 0}, {0, -768, 1024, 0})};
    struct Case {
        const char* layout;
        const std::vector<MonitorArea>& monitors;
        POINT at;           // the saved top-left of a window of 150 x 110
        const char* lands;  // worked out by hand
    };
    const Case cases[] = {
        {"one monitor: off the left and top", single, {-50, -30}, "0,0"},
        {"one monitor: off the right and bottom", single, {5000, 5000}, "874,658"},
        {"on the second monitor", sideBySide, {1500, 100}, "1500,100"},
        {"off the second monitor's right", sideBySide, {2000, 100}, "1898,100"},
        {"mostly on the second monitor", sideBySide, {1000, 100}, "1024,100"},
        {"under the primary's taskbar", sideBySide, {100, 700}, "100,618"},
        {"on no monitor: the nearest", sideBySide, {5000, 5000}, "1898,658"},
        {"left of the primary", leftOfPrimary, {-600, 200}, "-600,200"},
        {"under its taskbar, left of the primary", leftOfPrimary, {-1300, 950}, "-1280,874"},
        {"above the primary", stacked, {100, -500}, "100,-500"},
        {"taskbar on top", {Monitor(kPrimary, {0, 40, 1024, 768})}, {100, 10}, "100,40"},
        {"taskbar on the left", {Monitor(kPrimary, {60, 0, 1024, 768})}, {20, 100}, "60,100"},
        {"taskbar on the right", {Monitor(kPrimary, {0, 0, 964, 768})}, {900, 100}, "814,100"},
        {"over both edges of a narrower monitor", {Monitor({0, 0, 100, 768}, {0, 0, 100, 768})}, {-20, 100}, "0,100"},
        {"at the far top left of the coordinates", sideBySide, {LONG_MIN, LONG_MIN}, "0,0"},
        {"at the far bottom right", sideBySide, {LONG_MAX - 150, LONG_MAX - 110}, "1898,658"},
    };
    for (const Case& c : cases) {
        CAPTURE(c.layout);
        const RECT window = {c.at.x, c.at.y, c.at.x + 150, c.at.y + 110};
        const RECT placed = PlaceOnMonitors(window, c.monitors.data(), static_cast<int>(c.monitors.size()));
        CHECK(TopLeft(placed) == c.lands);
        CHECK(placed.right - placed.left == 150);
    }
}
