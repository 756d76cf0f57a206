// The whole player from outside: first start, a second instance, the ways it ends, and
// the start on a drive that cannot be opened.
#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "support/drive_log.h"
#include "support/player.h"

using namespace e2e;

namespace {

// The first tick comes a timer period after start-up; leave room for a slow machine.
const DWORD kFirstPlayTimeoutMs = 5000;

const char kBusyCaption[] = "veltoCD 初期化エラー";
const char kBusyText[] = "CD-ROMﾃﾞﾊﾞｲｽが使用中か使用できません.\n解放されるのを待ってから実行して下さい.";

bool FirstPlayIsTrackOne(const std::string& line)
{
    return IsCommand(line, "MCI_PLAY") && line.find("from=1:00:00:00 to=2:00:00:00 -> 0") != std::string::npos;
}

// The player's hidden main window and the message box it owns, as far as they exist.
struct StartupWindows {
    HWND main = nullptr;
    HWND box = nullptr;
    bool mainEverVisible = false;
};

void LookAtStartupWindows(DWORD pid, StartupWindows& seen)
{
    for (HWND window : TopLevelWindowsOf(pid)) {
        if (ClassOf(window) != "#32770") {
            continue;
        }
        HWND owner = GetWindow(window, GW_OWNER);
        if (owner == nullptr) {
            seen.main = window;
            seen.mainEverVisible = seen.mainEverVisible || IsWindowVisible(window);
        } else if (IsWindowVisible(window)) {
            seen.box = window;
        }
    }
}

// A handle that lets others read the file but not write it, closed however the test ends.
struct FileGuard {
    HANDLE handle = INVALID_HANDLE_VALUE;
    ~FileGuard() { Release(); }
    void Release()
    {
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
            handle = INVALID_HANDLE_VALUE;
        }
    }
};

}  // namespace

TEST_CASE("first run without a settings file")
{
    REQUIRE(PrepareRun(LongDisc(), nullptr));
    DriveLog log;
    PlayerProcess player;
    REQUIRE(player.Start());
    HWND window = player.WaitForWindow(kWindowTimeoutMs);
    REQUIRE(window != nullptr);
    MESSAGE("launch to visible window: " << player.LaunchMilliseconds() << " ms");

    RECT outer;
    RECT client;
    REQUIRE(GetWindowRect(window, &outer));
    REQUIRE(GetClientRect(window, &client));
    CHECK(outer.left == 0);
    CHECK(outer.top == 0);
    CHECK(client.right == 144);
    CHECK(client.bottom == 104);
    CHECK(IsTopmost(window));
    CHECK(TextOf(window) == "veltoCD");

    // Nobody pressed play: the first tick finds the disc and starts track 1.
    REQUIRE(log.WaitFor(0, FirstPlayIsTrackOne, kFirstPlayTimeoutMs) != DriveLog::npos);
    CHECK(log.PlaysSince(0) == std::vector<int>{1});
    SettlePainting(window);
    WARN(SaveScreenshot("first_run"));

    const std::size_t beforeClose = log.Size();
    CHECK(CloseAndWait(player) == 0);
    log.Poll();
    // The device is stopped and closed on the way out.
    CHECK(log.CommandsSince(beforeClose) == std::vector<std::string>{"MCI_STOP", "MCI_CLOSE"});

    CHECK(TextLines(ReadFileBytes(kSettingsPath)) == std::vector<std::string>{
              "[GENERAL]", "AutoRepeat=0", "RandomPlay=0", "ShowTopMost=1", "Reverb=5", "Tune=1006",
              "Whim=300", "WindowPosX=0", "WindowPosY=0"});
}

TEST_CASE("a second start leaves the running player alone")
{
    REQUIRE(PrepareRun(LongDisc(), "[GENERAL]\r\nWindowPosX=300\r\nWindowPosY=200\r\n"));
    DriveLog log;
    PlayerProcess first;
    REQUIRE(first.Start());
    HWND window = first.WaitForWindow(kWindowTimeoutMs);
    REQUIRE(window != nullptr);
    REQUIRE(log.WaitFor(0, FirstPlayIsTrackOne, kFirstPlayTimeoutMs) != DriveLog::npos);
    const std::size_t beforeSecond = log.Size();
    Bystander bystander(600, 400);
    REQUIRE(bystander.window != nullptr);
    REQUIRE(bystander.TakeForeground());

    PlayerProcess second;
    REQUIRE(second.Start());
    bool secondShowedSomething = false;
    DWORD code = STILL_ACTIVE;
    WaitUntil(
        [&] {
            bystander.Pump();
            for (HWND other : TopLevelWindowsOf(second.Pid())) {
                secondShowedSomething = secondShowedSomething || IsWindowVisible(other);
            }
            return second.WaitForExit(0, &code);
        },
        kExitTimeoutMs, 2);
    REQUIRE(code != STILL_ACTIVE);
    CHECK(code == 0);
    CHECK_FALSE(secondShowedSomething);
    // The running player was not brought forward either.
    bystander.Pump();
    CHECK(GetForegroundWindow() == bystander.window);

    CHECK(first.Running());
    CHECK(IsWindow(window));
    CHECK(IsWindowVisible(window));
    RECT outer;
    GetWindowRect(window, &outer);
    CHECK(outer.left == 300);
    CHECK(outer.top == 200);
    // The second instance never touched the drive, and the first went on playing.
    log.Poll();
    CHECK(log.CountSince(beforeSecond, "MCI_OPEN") == 0);
    CHECK(log.CountSince(beforeSecond, "MCI_STOP") == 0);
    CHECK(log.PlaysSince(beforeSecond).empty());

    CHECK(CloseAndWait(first) == 0);
}

TEST_CASE("ending the session saves the settings like a close")
{
    // Either answer of WM_ENDSESSION ends the player.
    WPARAM ending = TRUE;
    SUBCASE("the session ends") { ending = TRUE; }
    SUBCASE("the end was cancelled") { ending = FALSE; }

    REQUIRE(PrepareRun(LongDisc(), "[GENERAL]\r\nWhim=42\r\nAutoRepeat=1\r\nWindowPosX=200\r\nWindowPosY=150\r\n"));
    DriveLog log;
    PlayerProcess player;
    REQUIRE(player.Start());
    REQUIRE(player.WaitForWindow(kWindowTimeoutMs) != nullptr);
    REQUIRE(log.WaitFor(0, FirstPlayIsTrackOne, kFirstPlayTimeoutMs) != DriveLog::npos);
    const std::size_t beforeEnd = log.Size();

    CHECK(CloseAndWait(player, WM_ENDSESSION, ending) == 0);
    log.Poll();
    CHECK(log.CommandsSince(beforeEnd) == std::vector<std::string>{"MCI_STOP", "MCI_CLOSE"});
    // Keys already in the file keep their place; the missing ones follow in write order.
    CHECK(TextLines(ReadFileBytes(kSettingsPath)) == std::vector<std::string>{
              "[GENERAL]", "Whim=42", "AutoRepeat=1", "WindowPosX=200", "WindowPosY=150", "RandomPlay=0",
              "ShowTopMost=1", "Reverb=5", "Tune=1006"});
}

TEST_CASE("a read-only settings file still ends cleanly")
{
    const char settings[] = "[GENERAL]\r\nTune=2\r\nReverb=99\r\nWindowPosX=-40\r\n";
    REQUIRE(PrepareRun(LongDisc(), settings));
    REQUIRE(SetFileAttributesA(kSettingsPath, FILE_ATTRIBUTE_READONLY));
    // Wine keeps the attribute as Unix permissions, which root does not obey. Where this
    // test can still open the file for writing, it holds the file open against writers,
    // so the player meets the refusal that Windows gives.
    FileGuard guard;
    HANDLE probe = CreateFileA(kSettingsPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        guard.handle = CreateFileA(kSettingsPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        REQUIRE(guard.handle != INVALID_HANDLE_VALUE);
    }

    {
        PlayerProcess player;
        REQUIRE(player.Start());
        REQUIRE(player.WaitForWindow(kWindowTimeoutMs) != nullptr);
        CHECK(CloseAndWait(player) == 0);
    }
    guard.Release();

    CHECK(ReadFileBytes(kSettingsPath) == settings);
    CHECK((GetFileAttributesA(kSettingsPath) & FILE_ATTRIBUTE_READONLY) != 0);
    RemoveFile(kSettingsPath);
}

TEST_CASE("a drive in use at start: the warning, no window, the settings untouched")
{
    simdrive::Disc disc = LongDisc();
    disc.failOpen = true;
    const char settings[] = "; kept as it is\r\n[GENERAL]\r\nTune=1007\r\nWhim=5\r\n";
    REQUIRE(PrepareRun(disc, settings));
    DriveLog log;
    PlayerProcess player;
    REQUIRE(player.Start());

    StartupWindows seen;
    REQUIRE(WaitUntil(
        [&] {
            LookAtStartupWindows(player.Pid(), seen);
            return seen.box != nullptr;
        },
        kWindowTimeoutMs, 5));
    HWND box = seen.box;
    CHECK(GetWindow(box, GW_OWNER) == seen.main);
    CHECK(TextOf(box) == kBusyCaption);
    std::vector<std::string> texts;
    for (HWND label : ChildrenOf(box, "Static")) {
        if (!TextOf(label).empty()) {
            texts.push_back(TextOf(label));
        }
    }
    CHECK(texts == std::vector<std::string>{kBusyText});
    // A warning with the OK button alone.
    const std::vector<HWND> buttons = ChildrenOf(box, "Button");
    REQUIRE(buttons.size() == 1);
    CHECK(GetDlgCtrlID(buttons[0]) == IDOK);
    SettlePainting(box);
    WARN(SaveScreenshot("drive_in_use"));

    REQUIRE(PostMessageA(box, WM_COMMAND, IDOK, 0));
    DWORD code = STILL_ACTIVE;
    WaitUntil(
        [&] {
            LookAtStartupWindows(player.Pid(), seen);
            return player.WaitForExit(0, &code);
        },
        kExitTimeoutMs, 5);
    REQUIRE(code != STILL_ACTIVE);
    CHECK(code == 0);
    CHECK(seen.main != nullptr);
    CHECK_FALSE(seen.mainEverVisible);

    CHECK(ReadFileBytes(kSettingsPath) == settings);
    log.Poll();
    // One refused open, and nothing sent to the drive after it.
    CHECK(log.CommandsSince(0) == std::vector<std::string>{"MCI_OPEN"});
}

TEST_CASE("an exe name with a double-byte character keeps its settings beside it")
{
    // 表 is 0x95 0x5C in code page 932: a byte walk back to the last backslash would stop
    // inside it and put the settings into a file named after the exe.
    const char exe[] = "C:\\veltoCD\\表示.exe";
    REQUIRE(PrepareRun(LongDisc(), nullptr));
    REQUIRE(CopyFileA(kPlayerExe, exe, FALSE));

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    char commandLine[MAX_PATH];
    lstrcpynA(commandLine, exe, MAX_PATH);
    REQUIRE(CreateProcessA(exe, commandLine, nullptr, nullptr, FALSE, 0, nullptr, "C:\\", &startup, &process));
    HWND window = nullptr;
    WaitUntil(
        [&] {
            for (HWND w : TopLevelWindowsOf(process.dwProcessId)) {
                if (IsWindowVisible(w) && ClassOf(w) == "#32770" && TextOf(w) == "veltoCD") {
                    window = w;
                }
            }
            return window != nullptr;
        },
        kWindowTimeoutMs);
    CHECK(window != nullptr);
    PostMessageA(window, WM_CLOSE, 0, 0);
    const bool ended = WaitForSingleObject(process.hProcess, kExitTimeoutMs) == WAIT_OBJECT_0;
    if (!ended) {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    REQUIRE(ended);

    CHECK(GetFileAttributesA(kSettingsPath) != INVALID_FILE_ATTRIBUTES);
    int settingsFiles = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("C:\\veltoCD\\*.ini", &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            ++settingsFiles;
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    CHECK(settingsFiles == 1);
    DeleteFileA(exe);
}
