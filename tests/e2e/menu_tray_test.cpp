// The popup menu and the notification-area icon as a user meets them: clicks on the stage
// and on the icon, the menu's keys, and what the choices leave in the settings file.
#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "support/drive_log.h"
#include "support/player.h"

using namespace e2e;

namespace {

const DWORD kMenuTimeoutMs = 3000;

// Away from the top-left corner, where Wine shows its tray window.
const char kPlacedSettings[] = "[GENERAL]\r\nWindowPosX=400\r\nWindowPosY=300\r\n";

// A point of the stage below the track list, in screen coordinates; `spot` moves it right.
POINT StagePoint(HWND window, int spot = 0)
{
    POINT point = {24 + 24 * (spot % 5), 80};
    ClientToScreen(window, &point);
    return point;
}

bool SamePoint(POINT a, POINT b)
{
    return a.x == b.x && a.y == b.y;
}

POINT TopLeftOf(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return POINT{rect.left, rect.top};
}

doctest::String PointText(POINT p)
{
    char text[40];
    wsprintfA(text, "(%ld, %ld)", p.x, p.y);
    return text;
}

// Waits until the player shows exactly `count` menus; returns them, the top one first.
std::vector<HWND> WaitForMenus(const PlayerProcess& player, std::size_t count)
{
    std::vector<HWND> menus;
    WaitUntil(
        [&] {
            menus = VisibleMenusOf(player.Pid());
            return menus.size() == count;
        },
        kMenuTimeoutMs, 5);
    return menus;
}

// Opens the menu with a right click on the stage; the menu window, or nullptr. Each call
// clicks a spot apart from the last: a second press at the same spot soon after the first
// is a double click, which opens nothing.
HWND OpenMenuOnStage(const PlayerProcess& player)
{
    static int spot = 0;
    if (!ClickAt(StagePoint(player.Window(), ++spot), true)) {
        return nullptr;
    }
    const std::vector<HWND> menus = WaitForMenus(player, 1);
    return menus.size() == 1 ? menus[0] : nullptr;
}

// Presses the keys one after another while the menu is open, then waits for it to close.
bool ChooseInMenu(const PlayerProcess& player, const char* keys)
{
    for (const char* key = keys; *key != '\0'; ++key) {
        if (!player.PressKey(static_cast<WORD>(*key))) {
            return false;
        }
    }
    return WaitForMenus(player, 0).empty();
}

// Closes every open menu level with Esc.
bool CloseMenus(const PlayerProcess& player)
{
    for (std::size_t open = VisibleMenusOf(player.Pid()).size(); open > 0; --open) {
        if (!player.PressKey(VK_ESCAPE) || WaitForMenus(player, open - 1).size() != open - 1) {
            return false;
        }
    }
    return true;
}

// Wine's stand-in for the notification area when no window manager offers one.
HWND TrayWindow()
{
    return FindWindowA(nullptr, "Wine System Tray");
}

// The icons in the tray window: one child window each.
std::vector<HWND> TrayIcons()
{
    std::vector<HWND> icons;
    HWND tray = TrayWindow();
    if (tray == nullptr) {
        return icons;
    }
    for (HWND child : ChildrenOf(tray, nullptr)) {
        if (IsWindowVisible(child)) {
            icons.push_back(child);
        }
    }
    return icons;
}

POINT CentreOf(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
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

// A drawn 16 x 16 icon covers far more than this; an empty slot none.
const int kMinIconPixels = 40;

// True if `upper` comes before `lower` among the top-level windows, top to bottom.
bool IsAbove(HWND upper, HWND lower)
{
    for (HWND window = GetTopWindow(nullptr); window != nullptr; window = GetWindow(window, GW_HWNDNEXT)) {
        if (window == upper) {
            return true;
        }
        if (window == lower) {
            return false;
        }
    }
    return false;
}

// How many visible top-level windows come after `window`, top to bottom.
int VisibleWindowsBelow(HWND window)
{
    int count = 0;
    for (HWND below = GetWindow(window, GW_HWNDNEXT); below != nullptr; below = GetWindow(below, GW_HWNDNEXT)) {
        count += IsWindowVisible(below) ? 1 : 0;
    }
    return count;
}

}  // namespace

TEST_CASE("a right click on the stage opens the menu at the cursor")
{
    REQUIRE(PrepareRun(LongDisc(), kPlacedSettings));
    PlayerProcess player;
    REQUIRE(player.Start());
    REQUIRE(player.WaitForWindow(kWindowTimeoutMs) != nullptr);

    const POINT at = StagePoint(player.Window());
    REQUIRE(ClickAt(at, true));
    std::vector<HWND> menus = WaitForMenus(player, 1);
    REQUIRE(menus.size() == 1);
    CHECK_MESSAGE(SamePoint(TopLeftOf(menus[0]), at), "menu at " << PointText(TopLeftOf(menus[0])) << ", cursor at "
                                                                 << PointText(at));
    SettlePainting(menus[0]);
    // Releasing the button where it was pressed chooses nothing: the menu stays.
    CHECK(VisibleMenusOf(player.Pid()).size() == 1);
    CHECK(SaveScreenshot("menu_open"));

    REQUIRE(player.PressKey('S'));
    menus = WaitForMenus(player, 2);
    REQUIRE(menus.size() == 2);
    for (HWND menu : menus) {
        SettlePainting(menu);
    }
    CHECK(SaveScreenshot("menu_submenu"));

    CHECK(CloseMenus(player));
    CHECK(player.Running());
    CHECK(CloseAndWait(player) == 0);
    // Only looked at: nothing changed.
    CHECK(SavedSetting("RandomPlay") == "0");
    CHECK(SavedSetting("AutoRepeat") == "0");
    CHECK(SavedSetting("ShowTopMost") == "1");
}

TEST_CASE("choices in the menu change the options and a close saves them")
{
    REQUIRE(PrepareRun(LongDisc(), kPlacedSettings));
    PlayerProcess player;
    REQUIRE(player.Start());
    HWND window = player.WaitForWindow(kWindowTimeoutMs);
    REQUIRE(window != nullptr);
    REQUIRE(IsTopmost(window));

    // 演奏設定 > ﾗﾝﾀﾞﾑ演奏, 演奏設定 > ｵｰﾄﾘﾋﾟｰﾄ, then 手前に表示.
    for (const std::string keys : {"SZ", "SX", "A"}) {
        CAPTURE(keys);
        REQUIRE(OpenMenuOnStage(player) != nullptr);
        REQUIRE(ChooseInMenu(player, keys.c_str()));
    }
    CHECK(WaitUntil([&] { return !IsTopmost(window); }, kMenuTimeoutMs));

    CHECK(CloseAndWait(player) == 0);
    CHECK(SavedSetting("RandomPlay") == "1");
    CHECK(SavedSetting("AutoRepeat") == "1");
    CHECK(SavedSetting("ShowTopMost") == "0");
}

TEST_CASE("one-track mode switches auto repeat on, and the exit item ends the player and saves")
{
    REQUIRE(PrepareRun(LongDisc(), "[GENERAL]\r\nAutoRepeat=0\r\nWindowPosX=400\r\nWindowPosY=300\r\n"));
    PlayerProcess player;
    REQUIRE(player.Start());
    REQUIRE(player.WaitForWindow(kWindowTimeoutMs) != nullptr);

    REQUIRE(OpenMenuOnStage(player) != nullptr);
    REQUIRE(ChooseInMenu(player, "SC"));
    REQUIRE(OpenMenuOnStage(player) != nullptr);
    REQUIRE(ChooseInMenu(player, "Q"));

    DWORD code = STILL_ACTIVE;
    REQUIRE(player.WaitForExit(kExitTimeoutMs, &code));
    CHECK(code == 0);
    CHECK(SavedSetting("AutoRepeat") == "1");
    CHECK(SavedSetting("RandomPlay") == "0");
    CHECK(SavedSetting("ShowTopMost") == "1");
}

TEST_CASE("the tray icon is there while the player runs and gone before its window")
{
    simdrive::Disc disc = LongDisc();
    // Holds the player in its shut-down after the icon should have gone.
    disc.closeDelayMs = 1500;
    REQUIRE(PrepareRun(disc, kPlacedSettings));
    DriveLog log;
    // Wine hides its tray window while it holds no icon.
    HWND tray = TrayWindow();
    REQUIRE((tray == nullptr || !IsWindowVisible(tray)));

    PlayerProcess player;
    REQUIRE(player.Start());
    HWND window = player.WaitForWindow(kWindowTimeoutMs);
    REQUIRE(window != nullptr);
    REQUIRE(WaitUntil([] { return TrayIcons().size() == 1; }, kMenuTimeoutMs));
    tray = TrayWindow();
    CHECK(IsWindowVisible(tray));
    HWND icon = TrayIcons()[0];
    SettlePainting(icon);
    CHECK(IconPixels(icon) >= kMinIconPixels);
    CHECK(SaveScreenshot("tray_icon"));

    log.Poll();
    const std::size_t beforeClose = log.Size();
    REQUIRE(player.Post(WM_CLOSE));
    // The drive logs the close as it begins; the icon must be gone by then, while the
    // window is kept for the whole slow close.
    REQUIRE(log.WaitFor(beforeClose, [](const std::string& line) { return IsCommand(line, "MCI_CLOSE"); },
                        kExitTimeoutMs) != DriveLog::npos);
    CHECK(TrayIcons().empty());
    CHECK_FALSE(IsWindowVisible(tray));
    CHECK(IsWindow(window));
    DWORD code = STILL_ACTIVE;
    CHECK(player.WaitForExit(kExitTimeoutMs, &code));
    CHECK(code == 0);
}

TEST_CASE("clicks on the tray icon: the left one brings the player forward, the right one opens the menu")
{
    REQUIRE(PrepareRun(LongDisc(), kPlacedSettings));
    PlayerProcess player;
    REQUIRE(player.Start());
    HWND window = player.WaitForWindow(kWindowTimeoutMs);
    REQUIRE(window != nullptr);
    REQUIRE(WaitUntil([] { return TrayIcons().size() == 1; }, kMenuTimeoutMs));
    const POINT iconPoint = CentreOf(TrayIcons()[0]);

    Bystander bystander(600, 100);
    REQUIRE(bystander.window != nullptr);
    REQUIRE(bystander.TakeForeground());
    REQUIRE(ClickAt(iconPoint, false));
    CHECK(WaitUntil(
        [&] {
            bystander.Pump();
            return GetForegroundWindow() == window;
        },
        kMenuTimeoutMs));
    CHECK(VisibleMenusOf(player.Pid()).empty());

    REQUIRE(bystander.TakeForeground());
    REQUIRE(ClickAt(iconPoint, true));
    const std::vector<HWND> menus = WaitForMenus(player, 1);
    REQUIRE(menus.size() == 1);
    CHECK_MESSAGE(SamePoint(TopLeftOf(menus[0]), iconPoint), "menu at " << PointText(TopLeftOf(menus[0]))
                                                                        << ", cursor at " << PointText(iconPoint));
    SettlePainting(menus[0]);
    CHECK(SaveScreenshot("tray_menu"));
    CHECK(CloseMenus(player));

    CHECK(CloseAndWait(player) == 0);
}

TEST_CASE("keep in front: off puts the window at the bottom, on raises it above all")
{
    REQUIRE(PrepareRun(LongDisc(), kPlacedSettings));
    PlayerProcess player;
    REQUIRE(player.Start());
    HWND window = player.WaitForWindow(kWindowTimeoutMs);
    REQUIRE(window != nullptr);
    Bystander bystander(600, 100);
    REQUIRE(bystander.window != nullptr);
    bystander.Pump();
    REQUIRE(IsTopmost(window));
    REQUIRE(IsAbove(window, bystander.window));

    REQUIRE(player.PressAlt('A'));
    CHECK(WaitUntil(
        [&] {
            bystander.Pump();
            return !IsTopmost(window) && IsAbove(bystander.window, window);
        },
        kMenuTimeoutMs));
    // Behind every other visible window, not merely behind the topmost ones.
    CHECK(VisibleWindowsBelow(window) == 0);

    // Still the active window, so the key below does not raise it by activating it first.
    REQUIRE(GetForegroundWindow() == window);
    REQUIRE(IsAbove(bystander.window, window));
    REQUIRE(player.PressAlt('A'));
    CHECK(WaitUntil(
        [&] {
            bystander.Pump();
            return IsTopmost(window) && IsAbove(window, bystander.window);
        },
        kMenuTimeoutMs));

    CHECK(CloseAndWait(player) == 0);
    CHECK(SavedSetting("ShowTopMost") == "1");
}
