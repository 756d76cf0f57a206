// The popup menu and the notification-area icon as a user meets them: clicks on the stage
// and on the icon, the menu's keys, and what the choices leave in the settings file.
#include <doctest/doctest.h>

#include "support/player.h"

using namespace e2e;

namespace {

// Away from the top-left corner, where Wine shows its notification area.
const char kPlacedSettings[] = "[GENERAL]\r\nWindowPosX=400\r\nWindowPosY=300\r\n";

// Waits until the player shows exactly `count` popup menus; returns them, the top one first.
std::vector<HWND> MenusShown(const Player& player, size_t count)
{
    std::vector<HWND> menus;
    sim::PumpUntil([&] { return (menus = player.Shown("#32768")).size() == count; }, kTimeoutMs);
    return menus;
}

// A right click opens the one menu with its top-left corner at the cursor.
void OpenMenuAt(const Player& player, POINT at)
{
    REQUIRE(ClickAt(at, true));
    const std::vector<HWND> menus = MenusShown(player, 1);
    REQUIRE(menus.size() == 1);
    RECT rect = {};
    GetWindowRect(menus[0], &rect);
    CHECK((rect.left == at.x && rect.top == at.y));
}

// Presses the keys one after another while the menu is open, then waits for it to close.
bool ChooseInMenu(const Player& player, const char* keys)
{
    for (const char* key = keys; *key != '\0'; ++key) {
        if (!player.Press(static_cast<WORD>(*key))) {
            return false;
        }
    }
    return MenusShown(player, 0).empty();
}

// The icons in Wine's notification area: one visible child window each.
std::vector<HWND> TrayIcons()
{
    std::vector<HWND> icons;
    for (HWND child : ChildrenOf(FindWindowA("Shell_TrayWnd", nullptr), "__wine_tray_icon")) {
        if (IsWindowVisible(child)) {
            icons.push_back(child);
        }
    }
    return icons;
}

}  // namespace

TEST_CASE("the stage menu opens at the cursor, and a close saves its choices")
{
    SetScene(kPlacedSettings);
    Player player;
    // Each click lands apart from the last: a second press at the same spot is a double click.
    int spot = 0;
    const auto stageSpot = [&] {
        POINT at = {24 + 24 * spot++, 80};
        ClientToScreen(player.window, &at);
        return at;
    };
    // 演奏設定 > 1ﾄﾗｯｸ (auto repeat comes on with it), 演奏設定 > ﾗﾝﾀﾞﾑ演奏, then 手前に表示.
    for (const char* keys : {"SC", "SZ", "A"}) {
        CAPTURE(keys);
        OpenMenuAt(player, stageSpot());
        REQUIRE(ChooseInMenu(player, keys));
    }
    CHECK(sim::PumpUntil([&] { return !IsTopmost(player.window); }, kTimeoutMs));
    CHECK(player.Close() == 0);
    CHECK(SavedSetting("AutoRepeat") == "1");
    CHECK(SavedSetting("RandomPlay") == "1");
    CHECK(SavedSetting("ShowTopMost") == "0");
}

TEST_CASE("the tray icon: clicks on it, and gone before the window when the exit item is chosen")
{
    sim::Disc disc = LongDisc();
    disc.closeDelayMs = 1500;  // holds the player in its shut-down after the icon should have gone
    SetScene(kPlacedSettings, disc);
    sim::LogWatch log;
    Player player;
    REQUIRE(sim::PumpUntil([] { return TrayIcons().size() == 1; }, kTimeoutMs));
    RECT rect = {};
    GetWindowRect(TrayIcons()[0], &rect);
    const POINT iconPoint = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};

    Bystander bystander(600, 100);
    REQUIRE(BringToFront(bystander.window));
    REQUIRE(ClickAt(iconPoint, false));
    CHECK(sim::PumpUntil([&] { return GetForegroundWindow() == player.window; }, kTimeoutMs));
    CHECK(MenusShown(player, 0).empty());

    REQUIRE(BringToFront(bystander.window));
    OpenMenuAt(player, iconPoint);
    // 終了. The drive logs the close as it begins; the icon must be gone by then, while the
    // window is kept for the whole slow close.
    REQUIRE(ChooseInMenu(player, "Q"));
    REQUIRE(log.WaitFor("MCI_CLOSE") != log.npos);
    CHECK(TrayIcons().empty());
    CHECK(IsWindow(player.window));
    CHECK(player.WaitForExit() == 0);
    CHECK(SavedSetting("Tune") == "1006");
}

TEST_CASE("keep in front: off puts the window below others, on raises it above all")
{
    SetScene(kPlacedSettings);
    Player player;
    Bystander bystander(600, 100);
    REQUIRE(sim::PumpUntil([&] { return IsAbove(player.window, bystander.window); }, kTimeoutMs));
    for (const bool on : {false, true}) {
        // Still the active window, so the key does not raise it by activating it first.
        REQUIRE(player.Press('A', true));
        CHECK(sim::PumpUntil([&] { return IsTopmost(player.window) == on && IsAbove(player.window, bystander.window) == on; },
                             kTimeoutMs));
    }
    CHECK(player.Close() == 0);
    CHECK(SavedSetting("ShowTopMost") == "1");
}
