// Bad inputs and faults met by the whole player: each has its outcome, and none may crash
// it, hang it or lose the settings file.
#include <doctest/doctest.h>

#include "res/resource.h"
#include "support/player.h"

using namespace e2e;

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
        {std::string("\0\xff\xfe[GEN\0ERAL]\r\n", 12), 0, true, false, 0, 0, "*"},  // binary: anything but a crash
        {"[GENERAL]\r\nTune=2\r\nReverb=99\r\n", 0, true, true, 0, 0, ""},
        {"<folder>", 0, true, false, 0, 0, ""}};
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
        CHECK((saved == "*" ? saved : ReadFileBytes(kSettingsPath)) == (c.content == "<folder>" ? "" : saved));
        RemoveDirectoryA(kSettingsPath);
    }
}

TEST_CASE("the settings beside the exe, whatever its folder's name and length")
{
    // A folder named in characters the system's code page lacks (this test runs on 1252) keeps
    // its settings. In a folder this deep the settings' name no longer fits after it, though the
    // exe's shorter one does: the settings are neither read nor written.
    const std::pair<std::string, bool> exes[] = {{"C:\\表ソ日本語\\veltoCD.exe", true},
                                                 {"C:\\" + std::string(246, 'n') + "\\v.exe", false}};
    for (const auto& exe : exes) {
        CAPTURE(exe.second);
        const std::wstring folder = driver::Wide(exe.first.substr(0, exe.first.rfind('\\') + 1));
        const std::wstring ini = folder + L"veltoCD.ini";
        SetScene(nullptr);
        CreateDirectoryW(folder.c_str(), nullptr);
        REQUIRE(CopyFileW(driver::Wide(kPlayerExe).c_str(), driver::Wide(exe.first).c_str(), FALSE));
        if (exe.second) REQUIRE(WritePrivateProfileStringW(L"GENERAL", L"Whim", L"42", ini.c_str()));
        CHECK(Player(exe.first.c_str()).Close() == 0);
        // Read (the Whim it found) and written (the keys it adds) beside the exe.
        if (exe.second) CHECK(GetPrivateProfileIntW(L"GENERAL", L"Whim", -1, ini.c_str()) == 42);
        CHECK(GetPrivateProfileIntW(L"GENERAL", L"Reverb", -1, ini.c_str()) == (exe.second ? 5 : -1));
        CHECK(GetFileAttributesA(kSettingsPath) == INVALID_FILE_ATTRIBUTES);
    }
}

TEST_CASE("the session ends in every state, and the settings are saved")
{
    enum {
        kInitial,
        kPlaying,
        kStopped,
        kNoDisc,
        kFailing,
        kMenuOpen,
        kDialogOpen
    };
    for (int state = kInitial; state <= kDialogOpen; ++state) {
        CAPTURE(state);
        sim::Disc disc = state == kNoDisc ? sim::Disc{} : LongDisc();
        disc.failPlay = state == kFailing;
        Scene scene("[GENERAL]\r\nWhim=42\r\nWindowPosX=400\r\nWindowPosY=300\r\n", disc);
        sim::LogWatch log;
        Player player;  // ended at once, it is still in its first state, before any tick
        if (state != kInitial) REQUIRE(log.WaitFor(state == kNoDisc ? "MCI_CLOSE" : "MCI_PLAY") != log.npos);
        if (state == kStopped) REQUIRE(player.Press('C', VK_MENU));
        if (state == kMenuOpen) PostMessageA(player.window, WM_RBUTTONDOWN, 0, 0);
        if (state == kDialogOpen) PostMessageA(player.window, WM_COMMAND, IDM_SETTINGS, 0);
        if (state >= kMenuOpen)
            REQUIRE(sim::PumpUntil(
                [&] {
                    return player.Shown(state == kMenuOpen ? "#32768" : "#32770").size() ==
                           (state == kMenuOpen ? 1u : 2u);
                },
                kTimeoutMs));
        if (state == kStopped) REQUIRE(log.WaitFor("MCI_STOP") != log.npos);
        CHECK(player.Close(WM_ENDSESSION, TRUE) == 0);
        CHECK(SavedSetting("Whim") == "42");
    }
}
