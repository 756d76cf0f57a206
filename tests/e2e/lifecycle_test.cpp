// The whole player from outside: first start, a second instance, and a start on a drive
// that cannot be opened.
#include <doctest/doctest.h>

#include "support/player.h"

using namespace e2e;

TEST_CASE("first run without a settings file, and a second start that leaves it alone")
{
    Session run(nullptr);
    RECT outer, client;
    GetWindowRect(run.player.window, &outer);
    GetClientRect(run.player.window, &client);
    CHECK(outer.left == 0);
    CHECK(outer.top == 0);
    CHECK(client.right == 144);
    CHECK(client.bottom == 104);
    CHECK(IsTopmost(run.player.window));
    // Nobody pressed play: the first tick finds the disc and starts track 1.
    CHECK(sim::countLines(run.log.lines, "MCI_PLAY MCI_NOTIFY|MCI_FROM|MCI_TO from=1:00:00:00 to=2:00:00:00 -> 0") ==
          1);

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
