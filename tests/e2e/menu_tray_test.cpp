// The popup menu and the notification-area icon as a user meets them: clicks on the stage
// and on the icon, the menu's keys, and what the choices leave in the settings file.
#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "support/drive_log.h"
#include "support/player.h"

using namespace e2e;

namespace {

// Generous: a loaded machine may take seconds to show a menu; a pass never waits this long.
const DWORD kMenuTimeoutMs = 10000;

// Away from the top-left corner, where Wine shows its tray window.
const char kPlacedSettings[] = "[GENERAL]\r\nWindowPosX=400\r\nWindowPosY=300\r\n";

// Waits until the player shows exactly `count` popup menus; returns them, the top one first.
std::vector<HWND> WaitForMenus(const Player& player, std::size_t count)
{
    std::vector<HWND> menus;
    WaitUntil(
        [&] {
            menus.clear();
            for (HWND window : TopLevelWindowsOf(player.Pid())) {
                if (IsWindowVisible(window) && ClassOf(window) == "#32768") {
                    menus.push_back(window);
                }
            }
            return menus.size() == count;
        },
        kMenuTimeoutMs, 5);
    return menus;
}

// A right click on the stage below the track list opens the one menu, its top left corner
// at the cursor. Each call clicks a spot apart from the last: a second press at the same
// spot soon after the first is a double click, which opens nothing.
HWND OpenMenuOnStage(const Player& player)
{
    static int spot = 0;
    POINT at = {24 + 24 * (spot++ % 5), 80};
    ClientToScreen(player.window, &at);
    REQUIRE(ClickAt(at, true));
    const std::vector<HWND> menus = WaitForMenus(player, 1);
    REQUIRE(menus.size() == 1);
    RECT rect = {};
    GetWindowRect(menus[0], &rect);
    CHECK(rect.left == at.x);
    CHECK(rect.top == at.y);
    return menus[0];
}

// Presses the keys one after another while the menu is open, then waits for it to close.
bool ChooseInMenu(const Player& player, const char* keys)
{
    for (const char* key = keys; *key != '\0'; ++key) {
        if (!player.Press(static_cast<WORD>(*key))) {
            return false;
        }
    }
    return WaitForMenus(player, 0).empty();
}

HWND Tray()
{
    return FindWindowA("Shell_TrayWnd", nullptr);
}

// The icons in Wine's stand-in for the notification area: one visible child window each.
std::vector<HWND> TrayIcons()
{
    std::vector<HWND> icons;
    for (HWND child : ChildrenOf(Tray(), "__wine_tray_icon")) {
        if (IsWindowVisible(child)) {
            icons.push_back(child);
        }
    }
    return icons;
}

// How many pixels of an icon's window differ from the tray's background at its corner.
int IconPixels(HWND icon)
{
    RECT rect = {};
    GetWindowRect(icon, &rect);
    HDC screen = GetDC(nullptr);
    const COLORREF background = GetPixel(screen, rect.left, rect.top);
    int differing = 0;
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            differing += GetPixel(screen, x, y) != background ? 1 : 0;
        }
    }
    ReleaseDC(nullptr, screen);
    return differing;
}

// True if `upper` comes before `lower` among the top-level windows, top to bottom.
bool IsAbove(HWND upper, HWND lower)
{
    for (HWND window = GetTopWindow(nullptr); window != nullptr; window = GetWindow(window, GW_HWNDNEXT)) {
        if (window == upper || window == lower) {
            return window == upper;
        }
    }
    return false;
}

}  // namespace

TEST_CASE("the stage menu opens at the cursor, and a close saves its choices")
{
    SetScene(kPlacedSettings);
    Player player;
    REQUIRE(IsTopmost(player.window));

    const HWND menu = OpenMenuOnStage(player);
    SettlePainting(menu);
    // Releasing the button where it was pressed chooses nothing: the menu stays.
    CHECK(WaitForMenus(player, 1).size() == 1);
    CHECK(SaveScreenshot("menu_open"));
    REQUIRE(player.Press('S'));
    const std::vector<HWND> menus = WaitForMenus(player, 2);
    REQUIRE(menus.size() == 2);
    for (HWND open : menus) {
        SettlePainting(open);
    }
    CHECK(SaveScreenshot("menu_submenu"));

    // 演奏設定 > 1ﾄﾗｯｸ (auto repeat comes on with it), 演奏設定 > ﾗﾝﾀﾞﾑ演奏, then 手前に表示.
    REQUIRE(ChooseInMenu(player, "C"));
    for (const char* keys : {"SZ", "A"}) {
        CAPTURE(keys);
        OpenMenuOnStage(player);
        REQUIRE(ChooseInMenu(player, keys));
    }
    CHECK(WaitUntil([&] { return !IsTopmost(player.window); }, kMenuTimeoutMs));

    CHECK(player.Close() == 0);
    CHECK(SavedSetting("AutoRepeat") == "1");
    CHECK(SavedSetting("RandomPlay") == "1");
    CHECK(SavedSetting("ShowTopMost") == "0");
}

TEST_CASE("the tray icon: clicks on it, and gone before the window when the exit item is chosen")
{
    simdrive::Disc disc = LongDisc();
    // Holds the player in its shut-down after the icon should have gone.
    disc.closeDelayMs = 1500;
    SetScene(kPlacedSettings, disc);
    DriveLog log;
    // Wine hides its tray window while it holds no icon.
    HWND tray = Tray();
    REQUIRE((tray == nullptr || !IsWindowVisible(tray)));

    Player player;
    REQUIRE(WaitUntil([] { return TrayIcons().size() == 1; }, kMenuTimeoutMs));
    tray = Tray();
    CHECK(IsWindowVisible(tray));
    HWND icon = TrayIcons()[0];
    SettlePainting(icon);
    // A drawn 16 x 16 icon covers far more than this; an empty slot none.
    CHECK(IconPixels(icon) >= 40);
    CHECK(SaveScreenshot("tray_icon"));

    RECT rect = {};
    GetWindowRect(icon, &rect);
    const POINT iconPoint = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    Bystander bystander(600, 100);
    REQUIRE(bystander.TakeForeground());
    REQUIRE(ClickAt(iconPoint, false));
    CHECK(bystander.PumpUntil([&] { return GetForegroundWindow() == player.window; }, kMenuTimeoutMs));
    CHECK(WaitForMenus(player, 0).empty());

    REQUIRE(bystander.TakeForeground());
    REQUIRE(ClickAt(iconPoint, true));
    const std::vector<HWND> menus = WaitForMenus(player, 1);
    REQUIRE(menus.size() == 1);
    GetWindowRect(menus[0], &rect);
    CHECK(rect.left == iconPoint.x);
    CHECK(rect.top == iconPoint.y);

    // 終了. The drive logs the close as it begins; the icon must be gone by then, while the
    // window is kept for the whole slow close.
    const std::size_t beforeExit = log.entries.size();
    REQUIRE(ChooseInMenu(player, "Q"));
    REQUIRE(log.WaitFor(Sends("MCI_CLOSE"), beforeExit) != DriveLog::npos);
    CHECK(TrayIcons().empty());
    CHECK_FALSE(IsWindowVisible(tray));
    CHECK(IsWindow(player.window));
    CHECK(player.WaitForExit() == 0);
    // Saved on the way out: the file had no tempo before.
    CHECK(SavedSetting("Tune") == "1006");
}

TEST_CASE("keep in front: off puts the window below others, on raises it above all")
{
    SetScene(kPlacedSettings);
    Player player;
    Bystander bystander(600, 100);
    REQUIRE(IsTopmost(player.window));
    REQUIRE(bystander.PumpUntil([&] { return IsAbove(player.window, bystander.window); }, 0));

    REQUIRE(player.Press('A', true));
    CHECK(bystander.PumpUntil(
        [&] { return !IsTopmost(player.window) && IsAbove(bystander.window, player.window); }, kMenuTimeoutMs));

    // Still the active window, so the key below does not raise it by activating it first.
    REQUIRE(GetForegroundWindow() == player.window);
    REQUIRE(player.Press('A', true));
    CHECK(bystander.PumpUntil(
        [&] { return IsTopmost(player.window) && IsAbove(player.window, bystander.window); }, kMenuTimeoutMs));
    CHECK(player.Close() == 0);
    CHECK(SavedSetting("ShowTopMost") == "1");
}
