// What the tests share: the disc in the simulated drive and its command log, the disc's
// titles, pixels, and the built player run in the test's prefix.
#pragma once

#include <windows.h>

#include <doctest/doctest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "control_file.h"
#include "driver.h"
#include "mci_log.h"

// A helper's failure names the line that called it, not its own.
#define VELTO_CALLER const char *file = __builtin_FILE(), int line = __builtin_LINE()
inline void Expect(bool ok, const char* what, const char* file, int line)
{
    if (!ok) ADD_FAIL_AT(file, line, what);
}

namespace sim {

using Disc = cdsim::DiscConfig;
using cdsim::commands;  // readings of the log: the commands, the plays, the lines holding a text
using cdsim::countLines;
using cdsim::discWithTracks;
using cdsim::plays;
using cdsim::readLog;
using driver::kTimeoutMs;
using driver::Pump;
using driver::PumpUntil;

// Waits for a line of the drive's log without handling messages, so that what the drive
// posted meanwhile stays queued.
bool LogShows(const char* text);

// Puts the disc in the drive and empties the log.
void Load(const Disc& disc, VELTO_CALLER);
void ClearLog(VELTO_CALLER);
// Three minute-long tracks: nothing ends by itself during a test.
inline Disc LongDisc()
{
    return discWithTracks({60000, 60000, 60000});
}

// The registry's "Default Drive" as these bytes of this type (none: no value).
void SetDefaultDrive(DWORD type, const std::string& data, VELTO_CALLER);
std::string Bytes(long long value, size_t size);
// The shared title file cdplayer.ini in the Windows directory, written from UTF-8 in the
// system's code page, as other programs write it.
const char kTitlesFile[] = "C:\\windows\\cdplayer.ini";
void WriteTitles(const std::string& ini, VELTO_CALLER);
std::string ReadFileBytes(const char* path);
// A text file's lines.
std::vector<std::string> Lines(const std::string& path);

// An environment variable of the test's run, "" where it is not set.
inline std::string Env(const char* name)
{
    const char* value = getenv(name);
    return value != nullptr ? value : "";
}

// The display's scale this run was meant for (the prefix's dots per inch, VELTO_DPI), 96 unless set.
inline UINT MeantDpi()
{
    return Env("VELTO_DPI").empty() ? 96u : static_cast<UINT>(atoi(Env("VELTO_DPI").c_str()));
}

// The language the platform picks the resources in: Japanese, or English for any other.
inline bool JapaneseInterface()
{
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE;
}

// The log as it grows, each line stamped with GetTickCount when first seen.
struct LogWatch {
    std::vector<std::string> lines;
    std::vector<DWORD> seenAt;
    static constexpr size_t npos = static_cast<size_t>(-1);

    void Poll();
    // The first line at or after `from` that holds `text`, waiting for it; npos if none came.
    size_t WaitFor(const std::string& text, size_t from = 0, DWORD timeoutMs = 10000);
    // The first play of this track at or after `from`.
    size_t WaitPlay(int track, size_t from = 0) { return WaitFor(" from=" + std::to_string(track) + ":", from); }
    // The timer's period, from the presence query each tick sends, over three ticks after `from`.
    DWORD TickPeriod(size_t from);
};

// A memory device context with a bitmap in the screen's format, white to begin with, to
// draw into and read back; Differences says where the first pixel is not as expected
// (CLR_INVALID: any colour will do).
using Picture = std::function<COLORREF(int x, int y)>;
struct Canvas {
    Canvas(int width, int height);
    ~Canvas();
    std::string Differences(const Picture& expected) const;
    int width, height;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
};

}  // namespace sim

namespace e2e {

using driver::BringToFront, driver::Bystander, driver::ChildrenOf, driver::ClickAt, driver::EntryOf, driver::Focus;
using driver::IsAbove, driver::IsTopmost, driver::kTimeoutMs, driver::Press, driver::TextOf;
using sim::LongDisc;
using sim::ReadFileBytes;

// Where the test runner installs the player, and the settings file beside it.
const char kPlayerExe[] = "C:\\veltoCD\\veltoCD.exe";
const char kSettingsPath[] = "C:\\veltoCD\\veltoCD.ini";
// Settings that keep the window away from the top-left corner, where Wine shows its
// notification area.
const char kPlaced[] = "[GENERAL]\r\nWindowPosX=400\r\nWindowPosY=300\r\n";

// The settings file absent (nullptr) or holding exactly `settings`, the disc in the drive.
void SetScene(const char* settings, const sim::Disc& disc = LongDisc(), VELTO_CALLER);

// A run of the player that must start, by default from another directory: it must find its
// settings by its own path, and finds no pictures.
struct Player : driver::Player {
    explicit Player(const char* exe = kPlayerExe, bool showsWindow = true, const char* dir = "C:\\", VELTO_CALLER);
};

// A scene set, then the player started in it, playing track 1 when the disc lets it.
struct Scene {
    Scene(const char* settings, const sim::Disc& disc, VELTO_CALLER) { SetScene(settings, disc, file, line); }
};
struct Session : Scene {
    explicit Session(const char* settings, const sim::Disc& disc = LongDisc(), const char* dir = "C:\\", VELTO_CALLER);
    sim::LogWatch log;
    Player player;
};

// One value of the settings file's GENERAL section as the platform reads it; "" if missing.
std::string SavedSetting(const char* key);
// The player's dialog or message box owned by `owner` (by any window when null), once shown.
HWND WaitForDialog(const Player& player, HWND owner = nullptr);

}  // namespace e2e
