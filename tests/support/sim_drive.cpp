#include "support/sim_drive.h"

#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN  // every test program's main
#include <doctest/doctest.h>

#include <fstream>

namespace sim {

void ClearLog()
{
    REQUIRE(cdsim::clearLog());
}

void Load(const Disc& disc)
{
    REQUIRE(cdsim::writeControl(disc));
    ClearLog();
}

void SetDefaultDrive(DWORD type, const std::string& data)
{
    HKEY key = nullptr;
    REQUIRE(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\control\\MediaResources\\mci\\cdaudio", 0,
                            nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS);
    RegDeleteValueA(key, "Default Drive");
    const LONG set = data.empty() ? ERROR_SUCCESS
                                  : RegSetValueExA(key, "Default Drive", 0, type,
                                                   reinterpret_cast<const BYTE*>(data.data()), data.size());
    RegCloseKey(key);
    REQUIRE(set == ERROR_SUCCESS);
}

std::string Bytes(long long value, size_t size)
{
    return std::string(reinterpret_cast<const char*>(&value), size);
}

void WriteTitles(const std::string& ini)
{
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    std::ofstream file(std::string(windows) + "\\cdplayer.ini", std::ios::binary);
    char ansi[4096] = {};  // other programs write it in the system's code page
    WideCharToMultiByte(CP_ACP, 0, driver::Wide(ini).c_str(), -1, ansi, sizeof ansi, nullptr, nullptr);
    file << ansi;
    file.flush();
    REQUIRE(file.good());
}

void LogWatch::Poll()
{
    const std::vector<std::string> now = readLog();
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
