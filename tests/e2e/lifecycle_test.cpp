// The whole player from outside: first start, a second instance, the ways it ends, and
// the start on a drive that cannot be opened.
#include <doctest/doctest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/drive_log.h"
#include "support/player.h"

using namespace e2e;

TEST_CASE("first run without a settings file")
{
    SetScene(nullptr);
    DriveLog log;
    Player player;
    MESSAGE("launch to visible window: " << player.launchMs << " ms");

    RECT outer;
    RECT client;
    REQUIRE(GetWindowRect(player.window, &outer));
    REQUIRE(GetClientRect(player.window, &client));
    CHECK(outer.left == 0);
    CHECK(outer.top == 0);
    CHECK(client.right == 144);
    CHECK(client.bottom == 104);
    CHECK(IsTopmost(player.window));

    // Nobody pressed play: the first tick finds the disc and starts track 1, and only it.
    const std::size_t play = log.WaitFor(Sends("MCI_PLAY"));
    REQUIRE(play != DriveLog::npos);
    CHECK(log.entries[play].line.find("from=1:00:00:00 to=2:00:00:00 -> 0") != std::string::npos);
    CHECK(log.PlaysSince(0) == "1");
    SettlePainting(player.window);
    WARN(SaveScreenshot("first_run"));

    const std::size_t beforeClose = log.entries.size();
    CHECK(player.Close() == 0);
    log.Poll();
    // The device is stopped and closed on the way out.
    CHECK(log.CommandsSince(beforeClose) == "MCI_STOP MCI_CLOSE");
    CHECK(ReadFileBytes(kSettingsPath) == "[GENERAL]\r\nAutoRepeat=0\r\nRandomPlay=0\r\nShowTopMost=1\r\nReverb=5\r\n"
                                          "Tune=1006\r\nWhim=300\r\nWindowPosX=0\r\nWindowPosY=0\r\n");
}

TEST_CASE("a second start leaves the running player alone")
{
    SetScene("[GENERAL]\r\nWindowPosX=300\r\nWindowPosY=200\r\n");
    DriveLog log;
    Player first;
    REQUIRE(log.WaitFor(Plays(1)) != DriveLog::npos);
    const std::size_t beforeSecond = log.entries.size();
    Bystander bystander(600, 400);
    REQUIRE(bystander.TakeForeground());

    Player second(kPlayerExe, false);
    bool secondShowedSomething = false;
    DWORD code = STILL_ACTIVE;
    bystander.PumpUntil(
        [&] {
            for (HWND other : TopLevelWindowsOf(second.Pid())) {
                secondShowedSomething = secondShowedSomething || IsWindowVisible(other);
            }
            return (code = second.WaitForExit(0)) != STILL_ACTIVE;
        },
        kTimeoutMs, 2);
    CHECK(code == 0);
    CHECK_FALSE(secondShowedSomething);
    // The running player was not brought forward either.
    CHECK(bystander.PumpUntil([&] { return GetForegroundWindow() == bystander.window; }, 0));

    CHECK(first.Running());
    CHECK(IsWindowVisible(first.window));
    RECT outer;
    GetWindowRect(first.window, &outer);
    CHECK(outer.left == 300);
    CHECK(outer.top == 200);
    // Nothing but the first one's status queries reached the drive: no open, stop nor play.
    log.Poll();
    CHECK(log.CommandsSince(beforeSecond) == "");
    CHECK(first.Close() == 0);
}

TEST_CASE("ending the session saves the settings like a close")
{
    // Either answer of WM_ENDSESSION ends the player.
    WPARAM ending = TRUE;
    SUBCASE("the session ends") { ending = TRUE; }
    SUBCASE("the end was cancelled") { ending = FALSE; }

    SetScene("[GENERAL]\r\nWhim=42\r\nAutoRepeat=1\r\nWindowPosX=200\r\nWindowPosY=150\r\n");
    DriveLog log;
    Player player;
    const std::size_t play = log.WaitFor(Plays(1));
    REQUIRE(play != DriveLog::npos);

    CHECK(player.Close(WM_ENDSESSION, ending) == 0);
    log.Poll();
    CHECK(log.CommandsSince(play + 1) == "MCI_STOP MCI_CLOSE");
    // Keys already in the file keep their place; the missing ones follow in write order.
    CHECK(ReadFileBytes(kSettingsPath) == "[GENERAL]\r\nWhim=42\r\nAutoRepeat=1\r\nWindowPosX=200\r\nWindowPosY=150\r\n"
                                          "RandomPlay=0\r\nShowTopMost=1\r\nReverb=5\r\nTune=1006\r\n");
}

TEST_CASE("a read-only settings file still ends cleanly")
{
    const char settings[] = "[GENERAL]\r\nTune=2\r\nReverb=99\r\nWindowPosX=-40\r\n";
    SetScene(settings);
    REQUIRE(SetFileAttributesA(kSettingsPath, FILE_ATTRIBUTE_READONLY));
    // Wine keeps the attribute as Unix permissions, which root does not obey: the file is
    // also held open against writers, so the player meets the refusal that Windows gives.
    std::unique_ptr<void, decltype(&CloseHandle)> guard(
        CreateFileA(kSettingsPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr), &CloseHandle);
    REQUIRE(guard.get() != INVALID_HANDLE_VALUE);

    CHECK(Player().Close() == 0);
    guard.reset();
    CHECK(ReadFileBytes(kSettingsPath) == settings);
}

TEST_CASE("a drive in use at start: the warning, no window, the settings untouched")
{
    const char settings[] = "; kept as it is\r\n[GENERAL]\r\nTune=1007\r\nWhim=5\r\n";
    simdrive::Disc disc = LongDisc();
    disc.failOpen = true;
    SetScene(settings, disc);
    DriveLog log;
    Player player(kPlayerExe, false);

    // The hidden main window owns the box, and must never show.
    HWND main = nullptr;
    HWND box = nullptr;
    bool mainShown = false;
    const auto look = [&] {
        for (HWND window : TopLevelWindowsOf(player.Pid())) {
            if (ClassOf(window) == "#32770" && GetWindow(window, GW_OWNER) == nullptr) {
                main = window;
                mainShown = mainShown || IsWindowVisible(window);
            } else if (ClassOf(window) == "#32770" && IsWindowVisible(window)) {
                box = window;
            }
        }
        return box != nullptr;
    };
    REQUIRE(WaitUntil(look, kTimeoutMs, 5));
    CHECK(GetWindow(box, GW_OWNER) == main);
    CHECK(TextOf(box) == "veltoCD 初期化エラー");
    std::string text;  // the icon's label has none
    for (HWND label : ChildrenOf(box, "Static")) {
        text += TextOf(label);
    }
    CHECK(text == "CD-ROMﾃﾞﾊﾞｲｽが使用中か使用できません.\n解放されるのを待ってから実行して下さい.");
    // A warning with the OK button alone.
    const std::vector<HWND> buttons = ChildrenOf(box, "Button");
    REQUIRE(buttons.size() == 1);
    CHECK(GetDlgCtrlID(buttons[0]) == IDOK);
    SettlePainting(box);
    WARN(SaveScreenshot("drive_in_use"));

    REQUIRE(PostMessageA(box, WM_COMMAND, IDOK, 0));
    CHECK(WaitUntil([&] { look(); return !player.Running(); }, kTimeoutMs, 5));
    CHECK(player.WaitForExit(0) == 0);
    CHECK(main != nullptr);
    CHECK_FALSE(mainShown);
    CHECK(ReadFileBytes(kSettingsPath) == settings);
    // One refused open, and nothing sent to the drive after it.
    log.Poll();
    CHECK(log.CommandsSince(0) == "MCI_OPEN");
}

TEST_CASE("an exe name with a double-byte character keeps its settings beside it")
{
    // 表 is 0x95 0x5C in code page 932: a byte walk back to the last backslash would stop
    // inside it and put the settings into a file named after the exe.
    const char exe[] = "C:\\veltoCD\\表示.exe";
    SetScene(nullptr);
    REQUIRE(CopyFileA(kPlayerExe, exe, FALSE));
    CHECK(Player(exe).Close() == 0);
    DeleteFileA(exe);

    CHECK(GetFileAttributesA(kSettingsPath) != INVALID_FILE_ATTRIBUTES);
    int settingsFiles = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("C:\\veltoCD\\*.ini", &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
        ++settingsFiles;
    }
    FindClose(search);
    CHECK(settingsFiles == 1);
}
