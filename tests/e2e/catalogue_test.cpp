// Bad inputs and faults met by the whole player: each has its outcome, and none may crash
// it, hang it or lose the settings file.
#include <doctest/doctest.h>

#include "res/resource.h"
#include "support/player.h"

using namespace e2e;

TEST_CASE("settings files that are odd, broken, or not files at all")
{
    struct Case {
        std::string content;  // "" for an empty file; nothing at all for a folder in its place
        const char* savedReverb;
    };
    const Case cases[] = {
        {"[GENERAL]\r\nReverb=-3\r\nWhim=-5\r\nTune=-1\r\nWindowPosX=-99999\r\n", "1"},
        {"[GENERAL]\r\nReverb=2147483647\r\nWhim=99999999999\r\nWindowPosY=99999999\r\n", "8"},
        {"[GENERAL]\r\nReverb=five\r\nTune=fast\r\n", "1"},  // text reads as 0
        {"[GENERAL]\r\n", "5"}, {"", "5"}, {std::string("\0\xff\xfe[GEN\0ERAL]\r\n\x81\x40=\x80\r\n", 20), "5"}};
    for (const Case& c : cases) {
        CAPTURE(c.content);
        SetScene(c.content.c_str());
        CHECK(Player().Close() == 0);
        CHECK(SavedSetting("Reverb") == c.savedReverb);
    }
    SetScene(nullptr);
    REQUIRE(CreateDirectoryA(kSettingsPath, nullptr));
    CHECK(Player().Close() == 0);
    CHECK((GetFileAttributesA(kSettingsPath) & FILE_ATTRIBUTE_DIRECTORY) != 0);
    RemoveDirectoryA(kSettingsPath);
}

TEST_CASE("the settings beside the exe, whatever its folder's name and length")
{
    // 表 and ソ end in the byte 0x5C. In a folder this deep the settings' name no longer fits
    // after it, though the exe's shorter one does: the settings are neither read nor written.
    const std::pair<std::string, bool> exes[] = {{"C:\\表ソ\\veltoCD.exe", true}, {"C:\\" + std::string(246, 'n') + "\\v.exe", false}};
    for (const auto& exe : exes) {
        const std::string folder = exe.first.substr(0, exe.first.rfind('\\') + 1);
        SetScene(nullptr);
        CreateDirectoryA(folder.c_str(), nullptr);
        REQUIRE(CopyFileA(kPlayerExe, exe.first.c_str(), FALSE));
        CHECK(Player(exe.first.c_str()).Close() == 0);
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "*.i*").c_str(), &found);
        CHECK((search != INVALID_HANDLE_VALUE) == exe.second);
        FindClose(search);
        CHECK(GetFileAttributesA(kSettingsPath) == INVALID_FILE_ATTRIBUTES);
    }
}

TEST_CASE("the session ends in every state, and the settings are saved")
{
    enum { kInitial, kPlaying, kStopped, kNoDisc, kFailing, kMenuOpen, kDialogOpen };
    for (int state = kInitial; state <= kDialogOpen; ++state) {
        CAPTURE(state);
        sim::Disc disc = state == kNoDisc ? sim::Disc{} : LongDisc();
        disc.failPlay = state == kFailing;
        SetScene("[GENERAL]\r\nWhim=42\r\nWindowPosX=400\r\nWindowPosY=300\r\n", disc);
        sim::LogWatch log;
        Player player;
        if (state != kInitial) REQUIRE(log.WaitFor(state == kNoDisc ? "MCI_CLOSE" : "MCI_PLAY") != log.npos);
        if (state == kStopped) REQUIRE(player.Press('C', true));
        if (state == kMenuOpen) PostMessageA(player.window, WM_RBUTTONDOWN, 0, 0);
        if (state == kDialogOpen) PostMessageA(player.window, WM_COMMAND, IDM_SETTINGS, 0);
        if (state >= kMenuOpen) REQUIRE(sim::PumpUntil([&] { return player.Shown(state == kMenuOpen ? "#32768" : "#32770").size() == (state == kMenuOpen ? 1u : 2u); }, kTimeoutMs));
        if (state == kStopped) REQUIRE(log.WaitFor("MCI_STOP") != log.npos);
        CHECK(player.Close(WM_ENDSESSION, TRUE) == 0);
        CHECK((SavedSetting("Whim") == "42" && SavedSetting("Reverb") == "5"));
    }
}
