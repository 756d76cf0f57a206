// The whole player from outside: first start, a second instance, a start on a drive that
// cannot be opened, and the bad inputs and faults it meets, each with its outcome: none may
// crash it, hang it or lose the settings file.
#include "res/resource.h"
#include "support/support.h"

using namespace e2e;

TEST_CASE("first run without a settings file, and a second start that leaves it alone")
{
    Session run(nullptr);  // nobody pressed play: the first tick finds the disc and starts track 1
    CHECK(IsTopmost(run.player.window));

    Bystander bystander(600, 400);
    REQUIRE(BringToFront(bystander.window));
    Player second(kPlayerExe, false);
    bool secondShowedSomething = false;
    const auto look = [&] {
        secondShowedSomething |= !second.Shown("#32770").empty();
        return !second.Running();
    };
    CHECK(sim::PumpUntil(look, kTimeoutMs));
    CHECK(second.WaitForExit(0) == 0);
    CHECK_FALSE(secondShowedSomething);
    CHECK(GetForegroundWindow() == bystander.window);  // the first was not brought forward

    run.log.Poll();
    CHECK(sim::plays(run.log.lines) == "1");
    const size_t beforeClose = run.log.lines.size();
    CHECK(run.player.Close() == 0);
    run.log.Poll();
    CHECK(sim::commands(run.log.lines, beforeClose) == "MCI_STOP MCI_CLOSE");
    CHECK(ReadFileBytes(kSettingsPath) == "[GENERAL]\r\nAutoRepeat=0\r\nRandomPlay=0\r\nShowTopMost=1\r\nReverb=5\r\n"
                                          "Tune=1006\r\nWhim=300\r\nWindowPosX=0\r\nWindowPosY=0\r\n");
}

TEST_CASE("a drive in use at start: the warning, no window, the settings untouched")
{
    const char settings[] = "; kept as it is\r\n[GENERAL]\r\nTune=1007\r\nWhim=5\r\n";
    sim::Disc disc = LongDisc();
    disc.failOpen = true;
    SetScene(settings, disc);
    Player player(kPlayerExe, false);
    HWND box = nullptr;
    bool mainShown = false;  // the hidden main window owns the box
    const auto look = [&] {
        for (HWND w : player.Shown("#32770")) mainShown |= GetWindow(w, GW_OWNER) == nullptr;
        return (box = player.OwnedDialog()) != nullptr || !player.Running();
    };
    REQUIRE(sim::PumpUntil(look, kTimeoutMs));
    REQUIRE(box != nullptr);
    std::string text;
    for (HWND label : ChildrenOf(box, "Static")) text += TextOf(label);  // the icon's label has none
    const bool japanese = sim::JapaneseInterface();
    CHECK(TextOf(box) == (japanese ? "veltoCD 初期化エラー" : "veltoCD start-up error"));
    CHECK(text == (japanese ? "CD-ROMﾃﾞﾊﾞｲｽが使用中か使用できません.\n解放されるのを待ってから実行して下さい."
                            : "The CD-ROM device is in use or cannot be used.\nWait until it is free, then start "
                              "veltoCD again."));
    const std::vector<HWND> buttons = ChildrenOf(box, "Button");
    REQUIRE(buttons.size() == 1);
    CHECK(GetDlgCtrlID(buttons[0]) == IDOK);
    REQUIRE(PostMessageA(box, WM_COMMAND, IDOK, 0));
    CHECK(sim::PumpUntil([&] { return look() && !player.Running(); }, kTimeoutMs));
    CHECK(player.WaitForExit(0) == 0);
    CHECK_FALSE(mainShown);
    CHECK(ReadFileBytes(kSettingsPath) == settings);
    CHECK(sim::commands(sim::readLog()) == "MCI_OPEN");  // refused, and nothing after it
}

TEST_CASE("settings files that are odd, broken, read-only, or not files at all")
{
    const int kEdge = -1;  // flush with the screen's right or bottom edge
    struct Case {
        std::string content;  // the file, or a folder in its place when it is "<folder>"
        DWORD periodMs;       // the tempo's, measured with generous bounds; 0 for not measured
        bool topmost, readOnly;
        int left, top;
        std::string saved;  // after the close, "@" for the position lines; "" for the file as it was
    };
    const Case cases[] = {
        {"[GENERAL]\r\nTune=2\r\nWindowPosX=5000\r\nWindowPosY=5000\r\nShowTopMost=5\r\nAutoRepeat=5\r\n", 1000, true,
         false, kEdge, kEdge,
         "[GENERAL]\r\nTune=1006\r\n@ShowTopMost=1\r\nAutoRepeat=5\r\nRandomPlay=0\r\nReverb=5\r\nWhim=300\r\n"},
        {"[GENERAL]\r\nTune=1007\r\nWindowPosX=-50\r\nWindowPosY=-30\r\nShowTopMost=0\r\n", 750, false, false, 0, 0,
         "[GENERAL]\r\nTune=1007\r\n@ShowTopMost=0\r\nAutoRepeat=0\r\nRandomPlay=0\r\nReverb=5\r\nWhim=300\r\n"},
        {"[GENERAL]\r\nTune=1005\r\nWindowPosX=400\r\nWindowPosY=300\r\n", 1500, true, false, 400, 300,
         "[GENERAL]\r\nTune=1005\r\n@AutoRepeat=0\r\nRandomPlay=0\r\nShowTopMost=1\r\nReverb=5\r\nWhim=300\r\n"},
        {"[GENERAL]\r\nWhim=-5\r\nWindowPosX=-99999\r\n", 0, true, false, 0, 0,
         "[GENERAL]\r\nWhim=-5\r\nWindowPosX=0\r\nAutoRepeat=0\r\nRandomPlay=0\r\nShowTopMost=1\r\nReverb=5\r\nTune="
         "1006\r\nWindowPosY=0\r\n"},
        {"[GENERAL]\r\nTune=fast\r\n", 0, true, false, 0, 0,  // text reads as 0
         "[GENERAL]\r\nTune=1006\r\nAutoRepeat=0\r\nRandomPlay=0\r\nShowTopMost=1\r\nReverb=5\r\nWhim=300\r\n@"},
        {"", 0, true, false, 0, 0,
         "[GENERAL]\r\nAutoRepeat=0\r\nRandomPlay=0\r\nShowTopMost=1\r\nReverb=5\r\nTune=1006\r\nWhim=300\r\n@"},
        // Bytes that are no text at all: read as no settings, and the file written afresh.
        {std::string("\0\xff\xfe[GEN\0ERAL]\r\n", 12), 0, true, false, 0, 0,
         "[GENERAL]\r\nAutoRepeat=0\r\nRandomPlay=0\r\nShowTopMost=1\r\nReverb=5\r\nTune=1006\r\nWhim=300\r\n@"},
        {"[GENERAL]\r\nTune=2\r\nReverb=99\r\n", 0, true, true, 0, 0, ""},
        {"<folder>", 0, true, false, 0, 0, ""},
        // At the ends of the range: placed on the screen, saved there; the Whim kept as read.
        {"[GENERAL]\r\nWindowPosX=2147483647\r\nWindowPosY=-2147483648\r\nWhim=4294968\r\n", 0, true, false, kEdge, 0,
         "[GENERAL]\r\n@Whim=4294968\r\nAutoRepeat=0\r\nRandomPlay=0\r\nShowTopMost=1\r\nReverb=5\r\nTune=1006\r\n"}};
    for (const Case& c : cases) {
        CAPTURE(c.content);
        SetScene(c.content == "<folder>" ? nullptr : c.content.c_str());
        if (c.content == "<folder>") REQUIRE(CreateDirectoryA(kSettingsPath, nullptr));
        // Wine keeps a read-only attribute as Unix permissions, which root does not obey: the
        // file is also held open against writers, so the player meets the refusal Windows gives.
        HANDLE guard =
            c.readOnly ? CreateFileA(kSettingsPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)
                       : nullptr;
        sim::LogWatch log;
        Player player;
        RECT outer;
        GetWindowRect(player.window, &outer);
        const int left = c.left == kEdge ? GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left) : c.left;
        const int top = c.top == kEdge ? GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top) : c.top;
        CHECK(outer.left == left);
        CHECK(outer.top == top);
        CHECK(IsTopmost(player.window) == c.topmost);
        const DWORD period =
            c.periodMs != 0 ? log.TickPeriod(log.WaitPlay(1)) : 0;  // bounds halfway to the next tempos
        if (c.periodMs != 0) CHECK(period * 8 >= c.periodMs * 7);
        if (c.periodMs != 0) CHECK(period * 4 <= c.periodMs * 5);
        CHECK(player.Close() == 0);
        if (guard != nullptr) CloseHandle(guard);
        std::string saved = c.saved.empty() ? c.content : c.saved;
        if (saved.find('@') != std::string::npos) {
            saved.replace(saved.find('@'), 1,
                          "WindowPosX=" + std::to_string(left) + "\r\nWindowPosY=" + std::to_string(top) + "\r\n");
        }
        CHECK(ReadFileBytes(kSettingsPath) == (c.content == "<folder>" ? "" : saved));
        RemoveDirectoryA(kSettingsPath);
    }
}

TEST_CASE("the session ends in every state, and the settings are saved")
{
    // Before any tick, playing, with the menu open, with a dialog open.
    for (int state = 0; state < 4; ++state) {
        CAPTURE(state);
        Scene scene("[GENERAL]\r\nWhim=42\r\nWindowPosX=400\r\nWindowPosY=300\r\n", LongDisc());
        sim::LogWatch log;
        Player player;
        if (state > 0) REQUIRE(log.WaitFor("MCI_PLAY") != log.npos);
        if (state == 2) PostMessageA(player.window, WM_RBUTTONDOWN, 0, 0);
        if (state == 3) PostMessageA(player.window, WM_COMMAND, IDM_SETTINGS, 0);
        const auto shown = [&] {
            return player.Shown(state == 2 ? "#32768" : "#32770").size() == (state == 2 ? 1u : 2u);
        };
        if (state > 1) REQUIRE(sim::PumpUntil(shown, kTimeoutMs));
        CHECK(player.Close(WM_ENDSESSION, TRUE) == 0);
        CHECK(SavedSetting("Whim") == "42");
    }
}

TEST_CASE("a cancelled log-off leaves the player running and answering")
{
    Session run(kPlaced);
    PostMessageA(run.player.window, WM_ENDSESSION, FALSE, 0);
    // Two ticks on, whatever was posted on the way has been handled.
    const size_t tick = run.log.WaitFor("MEDIA_PRESENT", run.log.lines.size());
    CHECK(run.log.WaitFor("MEDIA_PRESENT", tick + 1) != run.log.npos);
    CHECK(run.player.Running());
    DWORD_PTR answer = 0;
    CHECK(SendMessageTimeoutA(run.player.window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, &answer) != 0);
    CHECK(run.player.Close() == 0);
}
