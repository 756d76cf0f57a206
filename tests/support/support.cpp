#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN  // every test program's main
#include "support/support.h"

#include <fstream>
#include <iterator>

namespace sim {

void ClearLog(const char* file, int line)
{
    Expect(cdsim::clearLog(), "the drive's log could not be emptied", file, line);
}

void Load(const Disc& disc, const char* file, int line)
{
    Expect(cdsim::writeControl(disc), "the disc could not be put in the drive", file, line);
    ClearLog(file, line);
}

void SetDefaultDrive(DWORD type, const std::string& data, const char* file, int line)
{
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\control\\MediaResources\\mci\\cdaudio", 0, nullptr,
                    0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegDeleteValueA(key, "Default Drive");
    const LONG set = data.empty() ? ERROR_SUCCESS
                                  : RegSetValueExA(key, "Default Drive", 0, type,
                                                   reinterpret_cast<const BYTE*>(data.data()), data.size());
    RegCloseKey(key);
    Expect(key != nullptr && set == ERROR_SUCCESS, "Default Drive could not be set", file, line);
}

std::string Bytes(long long value, size_t size)
{
    return std::string(reinterpret_cast<const char*>(&value), size);
}

void WriteTitles(const std::string& ini, const char* file, int line)
{
    const std::wstring text = driver::Wide(ini);
    std::string ansi(text.size() * 4 + 1, '\0');
    ansi.resize(static_cast<size_t>(WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()),
                                                        &ansi[0], static_cast<int>(ansi.size()), nullptr, nullptr)));
    std::ofstream out(kTitlesFile, std::ios::binary);
    out << ansi;
    out.close();
    Expect(out.good(), "cdplayer.ini could not be written", file, line);
}

std::string ReadFileBytes(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Lines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool LogShows(const char* text)
{
    for (const DWORD start = GetTickCount(); GetTickCount() - start < kTimeoutMs; Sleep(10)) {
        if (countLines(readLog(), text) != 0) return true;
    }
    return false;
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
        const COLORREF seen = GetPixel(dc, i % width, i / width), want = expected(i % width, i / width);
        if (want != CLR_INVALID && seen != want) {
            return "at " + std::to_string(i % width) + "," + std::to_string(i / width) + " " + std::to_string(seen);
        }
    }
    return "";
}

}  // namespace sim

namespace e2e {

void SetScene(const char* settings, const sim::Disc& disc, const char* file, int line)
{
    SetFileAttributesA(kSettingsPath, FILE_ATTRIBUTE_NORMAL);
    Expect(DeleteFileA(kSettingsPath) || GetLastError() == ERROR_FILE_NOT_FOUND, "the old settings file stays", file,
           line);
    if (settings != nullptr) {
        std::ofstream out(kSettingsPath, std::ios::binary);
        out << settings;
        out.flush();
        Expect(out.good(), "the settings file could not be written", file, line);
    }
    sim::Load(disc, file, line);
}

Player::Player(const char* exe, bool showsWindow, const char* dir, const char* file, int line)
    : driver::Player(exe, showsWindow, dir)
{
    Expect(Started(showsWindow), "the player did not start", file, line);
}

Session::Session(const char* settings, const sim::Disc& disc, const char* dir, const char* file, int line)
    : Scene(settings, disc, file, line), player(kPlayerExe, true, dir, file, line)
{
    if (disc.usable() && !disc.failPlay) Expect(log.WaitPlay(1) != log.npos, "track 1 did not play", file, line);
}

std::string SavedSetting(const char* key)
{
    char value[MAX_PATH];
    GetPrivateProfileStringA("GENERAL", key, "", value, MAX_PATH, kSettingsPath);
    return value;
}

HWND WaitForDialog(const Player& player, HWND owner)
{
    HWND found = nullptr;
    sim::PumpUntil(
        [&] {
            for (HWND w : player.Shown("#32770")) {
                const HWND by = GetWindow(w, GW_OWNER);
                found = by != nullptr && (owner == nullptr || by == owner) ? w : found;
            }
            return found != nullptr;
        },
        kTimeoutMs);
    return found;
}

}  // namespace e2e
