// The popup menu and the notification-area icon as a user meets them: clicks on the stage
// and on the icon, the menu's keys, keep in front, what the choices leave in the file, and the
// keyboard's media keys, answered wherever the focus is.
#include <doctest/doctest.h>

#include "support/player.h"

#include <shellapi.h>

using namespace e2e;

namespace {

// A right click opens the one menu with its top-left corner at the cursor; the keys then
// choose in it, and it closes.
void ChooseInMenu(const Player& player, POINT at, const char* keys)
{
    std::vector<HWND> menus;
    REQUIRE(ClickAt(at, true));
    REQUIRE(sim::PumpUntil([&] { return (menus = player.Shown("#32768")).size() == 1; }, kTimeoutMs));
    RECT rect = {};
    GetWindowRect(menus[0], &rect);
    CHECK(rect.left == at.x);
    CHECK(rect.top == at.y);
    for (const char* key = keys; *key != '\0'; ++key) REQUIRE(player.Press(static_cast<WORD>(*key)));
    CHECK(sim::PumpUntil([&] { return player.Shown("#32768").empty(); }, kTimeoutMs));
}

}  // namespace

TEST_CASE("the stage menu opens at the cursor; keep in front; a close saves the choices")
{
    Session run(kPlaced);
    Bystander bystander(600, 100);
    REQUIRE(sim::PumpUntil([&] { return IsTopmost(run.player.window) && IsAbove(run.player.window, bystander.window); },
                           kTimeoutMs));
    // 演奏設定 > 1ﾄﾗｯｸ (auto repeat comes on with it), 演奏設定 > ﾗﾝﾀﾞﾑ演奏, then 手前に表示. Each
    // click lands apart from the last: a second press at the same spot is a double click.
    int spot = 0;
    for (const char* keys : {"SC", "SZ", "A"}) {
        CAPTURE(keys);
        POINT at = {24 + 24 * spot++, 80};
        ClientToScreen(run.player.window, &at);
        ChooseInMenu(run.player, at, keys);
    }
    // Off puts the window below the others; Alt+A raises it above all again. The run.player is
    // still the active window, so the key does not raise it by activating it first.
    CHECK(sim::PumpUntil([&] { return !IsTopmost(run.player.window) && IsAbove(bystander.window, run.player.window); },
                         kTimeoutMs));
    REQUIRE(run.player.Press('A', VK_MENU));
    CHECK(sim::PumpUntil([&] { return IsTopmost(run.player.window) && IsAbove(run.player.window, bystander.window); },
                         kTimeoutMs));
    CHECK(run.player.Close() == 0);
    CHECK(
        (SavedSetting("AutoRepeat") == "1" && SavedSetting("RandomPlay") == "1" && SavedSetting("ShowTopMost") == "1"));
}

TEST_CASE("the tray icon: clicks on it, and gone before the window when the exit item is chosen")
{
    sim::Disc disc = LongDisc();
    disc.closeDelayMs = 1500;  // holds the run.player in its shut-down after the icon should have gone
    Session run(kPlaced, disc);
    REQUIRE(sim::PumpUntil([] { return driver::TrayIcons().size() == 1; }, kTimeoutMs));
    RECT rect = {};
    GetWindowRect(driver::TrayIcons()[0], &rect);
    const POINT icon = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    Bystander bystander(600, 100);
    REQUIRE(BringToFront(bystander.window));
    REQUIRE(ClickAt(icon, false));
    CHECK(sim::PumpUntil([&] { return GetForegroundWindow() == run.player.window; }, kTimeoutMs));
    CHECK(run.player.Shown("#32768").empty());

    // A notification area that restarts has lost the icon; it comes back when it is told.
    NOTIFYICONDATAA record = {};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE, record.hWnd = run.player.window, record.uID = 1;
    REQUIRE(Shell_NotifyIconA(NIM_DELETE, &record));
    REQUIRE(sim::PumpUntil([] { return driver::TrayIcons().empty(); }, kTimeoutMs));
    PostMessageA(run.player.window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    CHECK(sim::PumpUntil([] { return driver::TrayIcons().size() == 1; }, kTimeoutMs));

    // 終了. The drive logs the close as it begins, the icon already deleted; it must be gone
    // while the window is kept for the whole slow close.
    REQUIRE(BringToFront(bystander.window));
    ChooseInMenu(run.player, icon, "Q");
    REQUIRE(run.log.WaitFor("MCI_CLOSE") != run.log.npos);
    CHECK(sim::PumpUntil([] { return driver::TrayIcons().empty(); }, 1000));  // the notification area catches up
    CHECK(IsWindow(run.player.window));
    CHECK(run.player.WaitForExit() == 0);
    CHECK(SavedSetting("Tune") == "1006");
}

TEST_CASE("media keys work while another window has the focus; one held elsewhere is left to its holder")
{
    Bystander bystander(600, 100);
    REQUIRE(RegisterHotKey(bystander.window, 1, 0, VK_MEDIA_STOP));  // held before the run.player starts
    Session run(kPlaced);
    const std::pair<WORD, const char*> steps[] = {{VK_MEDIA_NEXT_TRACK, "from=2:"},
                                                  {VK_MEDIA_PLAY_PAUSE, "MCI_STOP"},
                                                  {VK_MEDIA_PLAY_PAUSE, "from=2:"},
                                                  {VK_MEDIA_PREV_TRACK, "from=1:"}};
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
    CHECK(sim::commands(run.log.lines, mark) == "MCI_PLAY");
    UnregisterHotKey(bystander.window, 1);

    // Shift+F10 and the menu key open the menu at the window's top-left corner; Esc closes it.
    for (const auto& key : {std::make_pair(VK_F10, VK_SHIFT), std::make_pair(VK_APPS, 0)}) {
        CAPTURE(key.first);
        std::vector<HWND> menus;
        REQUIRE(run.player.Press(static_cast<WORD>(key.first), static_cast<WORD>(key.second)));
        REQUIRE(sim::PumpUntil([&] { return (menus = run.player.Shown("#32768")).size() == 1; }, kTimeoutMs));
        RECT menu, window;
        GetWindowRect(menus[0], &menu);
        GetWindowRect(run.player.window, &window);
        CHECK(menu.left == window.left);
        CHECK(menu.top == window.top);
        REQUIRE(run.player.Press(VK_ESCAPE));
        CHECK(sim::PumpUntil([&] { return run.player.Shown("#32768").empty(); }, kTimeoutMs));
    }
    CHECK(run.player.Close() == 0);
}
