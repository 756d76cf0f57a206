// What the tests share: the disc in the simulated drive and its command log, the disc's
// identity and titles, waiting, and pixels.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "control_file.h"
#include "driver.h"
#include "mci_log.h"

namespace sim {

using Disc = cdsim::DiscConfig;
using cdsim::discWithTracks;
using driver::Pump;
using driver::PumpUntil;

// Puts the disc in the drive and empties the log.
void Load(const Disc& disc);
void ClearLog();
using cdsim::commands;  // readings of the log: the commands, the plays, the lines holding a text
using cdsim::countLines;
using cdsim::plays;
using cdsim::readLog;

// The registry's "Default Drive" as these bytes of this type (none: no value), and the
// shared title file cdplayer.ini in the Windows directory, written from UTF-8 in the system's
// code page.
void SetDefaultDrive(DWORD type, const std::string& data);
std::string Bytes(long long value, size_t size);
void WriteTitles(const std::string& ini);

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

// What a picture should show at (x, y), and a memory device context with a bitmap in the
// screen's format, white to begin with, to draw into and read back.
using Picture = std::function<COLORREF(int x, int y)>;
struct Canvas {
    Canvas(int width, int height);
    ~Canvas();
    // "" if every pixel is as expected, else where the first one is not.
    std::string Differences(const Picture& expected) const;
    int width, height;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
};

}  // namespace sim
