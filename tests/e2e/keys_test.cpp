// The keyboard's media keys, answered wherever the focus is, and the menu from the keyboard.
#include <doctest/doctest.h>

#include "support/player.h"

using namespace e2e;

TEST_CASE("media keys work while another window has the focus; one held elsewhere is left to its holder")
{
    Bystander bystander(600, 100);
    REQUIRE(RegisterHotKey(bystander.window, 1, 0, VK_MEDIA_STOP));  // held before the run.player starts
    Session run(kPlaced);
    const std::pair<WORD, const char*> steps[] = {{VK_MEDIA_NEXT_TRACK, "from=2:"}, {VK_MEDIA_PLAY_PAUSE, "MCI_STOP"},
        {VK_MEDIA_PLAY_PAUSE, "from=2:"}, {VK_MEDIA_PREV_TRACK, "from=1:"}};
    for (const auto& step : steps) {
        CAPTURE(step.second);
        const size_t mark = run.log.lines.size();
        REQUIRE(Press(bystander.window, step.first));
        CHECK(run.log.WaitFor(step.second, mark) != run.log.npos);
    }
    // Keys are handled in order: once Next has played track 2, the held Stop went elsewhere.
    const size_t mark = run.log.lines.size();
    REQUIRE(Press(bystander.window, VK_MEDIA_STOP));
    REQUIRE(Press(bystander.window, VK_MEDIA_NEXT_TRACK));
    REQUIRE(run.log.WaitFor("from=2:", mark) != run.log.npos);
    CHECK(sim::Commands(run.log.lines, mark) == "MCI_PLAY");
    UnregisterHotKey(bystander.window, 1);

    // Shift+F10 opens the menu at the window's top-left corner; Esc closes it.
    REQUIRE(BringToFront(run.player.window));
    std::vector<HWND> menus;
    REQUIRE(run.player.Press(VK_F10, VK_SHIFT));
    REQUIRE(sim::PumpUntil([&] { return (menus = run.player.Shown("#32768")).size() == 1; }, kTimeoutMs));
    RECT menu, window;
    GetWindowRect(menus[0], &menu);
    GetWindowRect(run.player.window, &window);
    CHECK((menu.left == window.left && menu.top == window.top));
    REQUIRE(run.player.Press(VK_ESCAPE));
    CHECK(sim::PumpUntil([&] { return run.player.Shown("#32768").empty(); }, kTimeoutMs));
    CHECK(run.player.Close() == 0);
}
