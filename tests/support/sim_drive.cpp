#include "support/sim_drive.h"

#include <doctest/doctest.h>

#include <cstdlib>
#include <fstream>

#include "mci_log.h"

namespace sim {
namespace {

// Retries briefly: the drive may hold the file open for a moment.
bool WriteWhole(const std::wstring& path, const std::string& data)
{
    for (int attempt = 0; attempt < 100; ++attempt, Sleep(10)) {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        if (file != INVALID_HANDLE_VALUE) {
            const BOOL ok = WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
            CloseHandle(file);
            return ok && written == data.size();
        }
    }
    return false;
}

// The track of an accepted "MCI_PLAY ... from=T:..." line; 0 for any other line.
int PlayedTrack(const std::string& line)
{
    const size_t from = line.find(" from=");
    const bool accepted = line.rfind("MCI_PLAY ", 0) == 0 && line.find(" -> 0") != std::string::npos;
    return accepted && from != std::string::npos ? std::atoi(line.c_str() + from + 6) : 0;
}

}  // namespace

bool WriteControl(const std::string& text)
{
    CreateDirectoryW(cdsim::simDir().c_str(), nullptr);
    const std::wstring target = cdsim::simPath(L"disc.txt");
    bool moved = WriteWhole(target + L".new", text);
    for (int attempt = 0; moved && attempt < 100; ++attempt, Sleep(10)) {
        if (MoveFileExW((target + L".new").c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    }
    return false;
}

void ClearLog()
{
    REQUIRE(WriteWhole(cdsim::simPath(L"mci.log"), ""));
}

void Load(const Disc& disc)
{
    REQUIRE(WriteControl(cdsim::formatControl(disc)));
    ClearLog();
}

std::vector<std::string> Log()
{
    std::ifstream file(cdsim::simPath(L"mci.log").c_str(), std::ios::binary);
    std::vector<std::string> lines;
    // A line still being written has no LF yet: it is left for the next read.
    for (std::string line; std::getline(file, line) && !file.eof();) lines.push_back(line);
    return lines;
}

std::string Plays(const std::vector<std::string>& lines, size_t from)
{
    std::string plays;
    for (; from < lines.size(); ++from) {
        if (const int track = PlayedTrack(lines[from])) plays += (plays.empty() ? "" : " ") + std::to_string(track);
    }
    return plays;
}

std::string Commands(const std::vector<std::string>& lines, size_t from)
{
    std::string names;
    for (; from < lines.size(); ++from) {
        if (lines[from].rfind("MCI_", 0) == 0 && lines[from].rfind("MCI_STATUS ", 0) != 0) {
            names += (names.empty() ? "" : " ") + lines[from].substr(0, lines[from].find(' '));
        }
    }
    return names;
}

int Count(const std::vector<std::string>& lines, const char* text, size_t from)
{
    int count = 0;
    for (; from < lines.size(); ++from) count += lines[from].find(text) != std::string::npos ? 1 : 0;
    return count;
}

void SetDefaultDrive(DWORD type, const std::string& data)
{
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\control\\MediaResources\\mci\\cdaudio", 0, nullptr,
                    0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegDeleteValueA(key, "Default Drive");
    if (!data.empty()) {
        RegSetValueExA(key, "Default Drive", 0, type, reinterpret_cast<const BYTE*>(data.data()), data.size());
    }
    RegCloseKey(key);
}

std::string Bytes(long long value, size_t size)
{
    return std::string(reinterpret_cast<const char*>(&value), size);
}

void WriteTitles(const std::string& ini)
{
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    std::ofstream(std::string(windows) + "\\cdplayer.ini", std::ios::binary) << ini;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    for (const DWORD start = GetTickCount();;) {
        // A bounded round: a fault that posts without end must fail the case, not hang it.
        MSG msg;
        for (int round = 0; round < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++round) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        const DWORD spent = GetTickCount() - start;
        if (done() || spent >= timeoutMs) return spent < timeoutMs || done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - spent < 10 ? timeoutMs - spent : 10, QS_ALLINPUT);
    }
}

void LogWatch::Poll()
{
    const std::vector<std::string> now = Log();
    for (size_t i = lines.size(); i < now.size(); ++i) {
        lines.push_back(now[i]);
        seenAt.push_back(GetTickCount());
    }
}

size_t LogWatch::WaitFor(const std::string& text, size_t from, DWORD timeoutMs)
{
    size_t found = npos;
    PumpUntil(
        [&] {
            for (Poll(); found == npos && from < lines.size(); ++from) {
                found = lines[from].find(text) != std::string::npos ? from : npos;
            }
            return found != npos;
        },
        timeoutMs);
    return found;
}

DWORD LogWatch::TickPeriod(size_t from)
{
    const size_t first = WaitFor("MEDIA_PRESENT", from);
    size_t last = first;
    for (int i = 0; i < 3 && last != npos; ++i) last = WaitFor("MEDIA_PRESENT", last + 1);
    return last != npos ? (seenAt[last] - seenAt[first]) / 3 : 0;
}

Canvas::Canvas(int w, int h) : width(w), height(h), dc(CreateCompatibleDC(nullptr))
{
    HDC screen = GetDC(nullptr);
    bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    old = SelectObject(dc, bitmap);
    PatBlt(dc, 0, 0, width, height, WHITENESS);
}

Canvas::~Canvas()
{
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

std::string Canvas::Differences(const Picture& expected) const
{
    for (int i = 0; i < width * height; ++i) {
        const COLORREF seen = GetPixel(dc, i % width, i / width);
        if (seen != expected(i % width, i / width)) {
            return "at " + std::to_string(i % width) + "," + std::to_string(i / width) + " " + std::to_string(seen);
        }
    }
    return "";
}

}  // namespace sim
