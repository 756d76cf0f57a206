// The player as a user works it: the keyboard and the media keys, the track list, the popup
// menu and the notification-area icon, and the settings dialog.
#include "res/resource.h"
#include "support/support.h"

#include <shellapi.h>

using namespace e2e;

TEST_CASE("the accelerators and the Stop media key work the player while the track list has the focus, which chooses")
{
    Session run(nullptr);
    HWND list = GetDlgItem(run.player.window, IDC_TRACKLIST);
    REQUIRE(BringToFront(run.player.window));
    // The dialog manager hands the focus to its only control when the window is activated.
    REQUIRE(sim::PumpUntil([&] { return Focus(run.player.window) == list; }, kTimeoutMs));

    // Alt+C stops; back from the first track wraps to the last, on from the last to the first.
    // The Stop media key, and its WM_APPCOMMAND (key 0 here), stop, also when pressed again.
    const struct {
        WORD key, modifier;
        int track;  // played by the key, 0 for a stop
    } steps[] = {{'C', VK_MENU, 0}, {'X', VK_MENU, 1}, {'V', VK_MENU, 2}, {'V', VK_MENU, 3},     {'Z', VK_MENU, 2},
                 {'Z', VK_MENU, 1}, {'Z', VK_MENU, 3}, {'V', VK_MENU, 1}, {VK_MEDIA_STOP, 0, 0}, {VK_MEDIA_STOP, 0, 0},
                 {'X', VK_MENU, 1}, {0, 0, 0},         {0, 0, 0}};
    const size_t start = run.log.lines.size();
    for (const auto& step : steps) {
        CAPTURE(step.key);
        const size_t mark = run.log.lines.size();
        if (step.key != 0) REQUIRE(run.player.Press(step.key, step.modifier));
        if (step.key == 0) SendMessageA(run.player.window, WM_APPCOMMAND, 0, MAKELPARAM(0, APPCOMMAND_MEDIA_STOP));
        REQUIRE((step.track == 0 ? run.log.WaitFor("MCI_STOP", mark) : run.log.WaitPlay(step.track, mark)) !=
                run.log.npos);
    }
    CHECK(sim::plays(run.log.lines, start) == "1 2 3 2 1 3 1 1");  // each key did its one thing
    // Enter and Esc arrive as IDOK and IDCANCEL, which change nothing: keys are handled in
    // order, so once the Alt+C after them has stopped the drive they have been handled too.
    const size_t mark = run.log.lines.size();
    REQUIRE(run.player.Press(VK_RETURN));
    REQUIRE(run.player.Press(VK_ESCAPE));
    REQUIRE(run.player.Press('C', VK_MENU));
    REQUIRE(run.log.WaitFor("MCI_STOP", mark) != run.log.npos);
    CHECK(sim::commands(run.log.lines, mark) == "MCI_STOP");
    CHECK(IsWindowVisible(run.player.window));
    CHECK(Focus(run.player.window) == list);

    // A track chosen in the list, with the mouse or the arrow keys, plays.
    RECT rect;
    GetWindowRect(list, &rect);
    REQUIRE(ClickAt({rect.right - 6, (rect.top + rect.bottom) / 2}, false));
    std::vector<HWND> dropped;
    REQUIRE(sim::PumpUntil([&] { return !(dropped = run.player.Shown("ComboLBox")).empty(); }, kTimeoutMs));
    GetWindowRect(dropped[0], &rect);
    const LONG height = static_cast<LONG>(SendMessageA(list, CB_GETITEMHEIGHT, 0, 0));
    REQUIRE(ClickAt({rect.left + 20, rect.top + 2 + height * 5 / 2}, false));  // the third entry
    CHECK(run.log.WaitPlay(3, mark) != run.log.npos);
    for (const auto& step : {std::make_pair(VK_UP, 2), std::make_pair(VK_DOWN, 3)}) {
        const size_t before = run.log.lines.size();
        REQUIRE(run.player.Press(static_cast<WORD>(step.first)));
        CHECK(run.log.WaitPlay(step.second, before) != run.log.npos);
    }
    CHECK(run.player.Close() == 0);
}

namespace {

// A right click opens the one menu; the keys then choose in it, and it closes.
void ChooseInMenu(const Player& player, POINT at, const char* keys)
{
    REQUIRE(ClickAt(at, true));
    REQUIRE(sim::PumpUntil([&] { return player.Shown("#32768").size() == 1; }, kTimeoutMs));
    for (const char* key = keys; *key != '\0'; ++key) REQUIRE(player.Press(static_cast<WORD>(*key)));
    CHECK(sim::PumpUntil([&] { return player.Shown("#32768").empty(); }, kTimeoutMs));
}

}  // namespace

TEST_CASE("the stage menu and its keys; keep in front; a close saves the choices")
{
    Session run(kPlaced);
    Bystander bystander(600, 100);
    REQUIRE(sim::PumpUntil([&] { return IsTopmost(run.player.window) && IsAbove(run.player.window, bystander.window); },
                           kTimeoutMs));
    // 演奏設定 > 1ﾄﾗｯｸ (auto repeat comes on with it), 演奏設定 > ﾗﾝﾀﾞﾑ演奏, then 手前に表示. Each
    // click lands apart from the last: a second press at the same spot is a double click.
    int spot = 0;
    const bool japanese = sim::JapaneseInterface();  // the items' keys are the language's
    for (const char* keys : {japanese ? "SC" : "OO", japanese ? "SZ" : "OR", "A"}) {
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
    CHECK(SavedSetting("RandomPlay") == "1");
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
    ChooseInMenu(run.player, icon, sim::JapaneseInterface() ? "Q" : "X");
    REQUIRE(run.log.WaitFor("MCI_CLOSE") != run.log.npos);
    CHECK(sim::PumpUntil([] { return driver::TrayIcons().empty(); }, 1000));  // the notification area catches up
    CHECK(IsWindow(run.player.window));
    CHECK(run.player.WaitForExit() == 0);
    CHECK(SavedSetting("Tune") == "1006");
}

TEST_CASE("media keys work while another window has the focus, one held elsewhere left to its holder; the menu keys")
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
    // Wine tells of a focus change late, as WM_CANCELMODE (sent here at a known moment): one
    // that finds the window in front leaves the menu open; once another window is, it closes it.
    std::vector<HWND> menus;
    const auto oneMenu = [&] {
        menus = run.player.Shown("#32768");
        return menus.size() == 1;
    };
    const auto cancel = [&] {
        const HWND menu = menus[0];
        DWORD_PTR result = 0;
        SendMessageTimeoutA(run.player.window, WM_CANCELMODE, 0, 0, SMTO_NORMAL, kTimeoutMs, &result);
        REQUIRE(sim::PumpUntil([&] { return !IsWindow(menu); }, kTimeoutMs));
        // The menu's loop is over: the player answers only once it has done what follows.
        SendMessageTimeoutA(run.player.window, WM_NULL, 0, 0, SMTO_NORMAL, kTimeoutMs, &result);
    };
    PostMessageA(run.player.window, WM_COMMAND, IDM_MENU, 0);
    REQUIRE(sim::PumpUntil(oneMenu, kTimeoutMs));
    cancel();
    CHECK(sim::PumpUntil(oneMenu, kTimeoutMs));
    REQUIRE(BringToFront(bystander.window));
    cancel();
    CHECK(run.player.Shown("#32768").empty());
    CHECK(GetForegroundWindow() == bystander.window);
    CHECK(run.player.Close() == 0);
}

TEST_CASE("the operation settings dialog")
{
    Session run("[GENERAL]\r\nReverb=2\r\nWindowPosX=400\r\nWindowPosY=300\r\n",
                sim::discWithTracks({6000, 60000, 60000}));
    PostMessageA(run.player.window, WM_COMMAND, IDM_SETTINGS, 0);  // as its menu item does
    HWND dialog = nullptr;
    REQUIRE(sim::PumpUntil([&] { return (dialog = run.player.OwnedDialog()) != nullptr; }, kTimeoutMs));
    CHECK(TextOf(dialog) == (sim::JapaneseInterface() ? "veltoCD - 動作設定" : "veltoCD - Settings"));
    CHECK((GetWindowLongA(dialog, GWL_STYLE) & WS_SYSMENU) == 0);
    const auto number = [&] { return TextOf(GetDlgItem(dialog, IDC_REVERB)); };
    const auto marked = [&] {
        for (int id = IDC_ANDANTE; id <= IDC_ALLEGRO; ++id) {
            if (SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED) return id;
        }
        return 0;
    };
    CHECK(number() == "2");  // as the file has it, not the default
    CHECK(marked() == IDC_MODERATO);
    REQUIRE(BringToFront(dialog));
    CHECK(sim::PumpUntil([&] { return Focus(dialog) == GetDlgItem(dialog, IDC_REVERB); }, kTimeoutMs));

    // The arrows step by one towards their end of the range, up towards 1, and stop there.
    const std::pair<const char*, const char*> steps[] = {
        {"DD", "4"}, {"UUUU", "1"}, {"DDDDDDDDD", "8"}, {"UUUUU", "3"}};
    for (const auto& step : steps) {
        for (const char* key = step.first; *key != '\0'; ++key) REQUIRE(Press(dialog, *key == 'U' ? VK_UP : VK_DOWN));
        CHECK(sim::PumpUntil([&] { return number() == step.second; }, kTimeoutMs));
    }
    // Tab moves between the number and OK alone; Esc and the Alt keys do nothing here.
    for (const int id : {IDOK, IDC_REVERB, IDOK}) {
        REQUIRE(Press(dialog, VK_TAB));
        CHECK(sim::PumpUntil([&] { return Focus(dialog) == GetDlgItem(dialog, id); }, kTimeoutMs));
    }
    REQUIRE(Press(dialog, VK_ESCAPE));
    REQUIRE(Press(dialog, 'C', VK_MENU));
    // Meanwhile the first track ends, and the next one plays: Alt+C has not stopped the disc.
    REQUIRE(run.log.WaitPlay(2) != run.log.npos);
    CHECK(IsWindowVisible(dialog));
    CHECK(sim::plays(run.log.lines) == "1 2");

    // A tempo is taken at once, the last one chosen wins, and the timer changes only after OK.
    for (const int id : {IDC_ANDANTE, IDC_MODERATO, IDC_ALLEGRO}) {
        SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0);
        CHECK(marked() == id);
    }
    CHECK(run.log.TickPeriod(run.log.lines.size()) > 875);
    REQUIRE(Press(dialog, VK_RETURN));
    REQUIRE(sim::PumpUntil([&] { return !IsWindow(dialog); }, kTimeoutMs));
    CHECK(run.log.TickPeriod(run.log.lines.size()) < 875);
    CHECK(run.player.Close() == 0);
    CHECK(SavedSetting("Reverb") == "3");
    CHECK(SavedSetting("Tune") == "1007");
}
