#include "support/sim_drive.h"

#include <doctest/doctest.h>
#include <windows.h>
#include <mmsystem.h>

#include <cstdlib>

#include "mci_log.h"

namespace sim {
namespace {

// Retries briefly: the drive may hold the file open for a moment.
bool WriteWhole(const std::wstring& path, const std::string& data)
{
    for (int attempt = 0; attempt < 100; ++attempt, Sleep(10)) {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
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

LRESULT CALLBACK NotifyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<NotifyWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == MM_MCINOTIFY && self != nullptr) {
        self->statuses.push_back(wParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool WriteControl(const std::string& text)
{
    CreateDirectoryW(cdsim::simDir().c_str(), nullptr);
    const std::wstring target = cdsim::simPath(L"disc.txt");
    const std::wstring temp = target + L".new";
    if (!WriteWhole(temp, text)) {
        return false;
    }
    for (int attempt = 0; attempt < 100; ++attempt, Sleep(10)) {
        if (MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            return true;
        }
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
    std::vector<std::string> lines;
    HANDLE file = CreateFileW(cdsim::simPath(L"mci.log").c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    std::string data;
    char buffer[4096];
    DWORD read = 0;
    while (file != INVALID_HANDLE_VALUE && ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        data.append(buffer, read);
    }
    CloseHandle(file);
    // A line still being written has no LF yet: it is left for the next read.
    for (size_t start = 0, end; (end = data.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(data.substr(start, end - start));
    }
    return lines;
}

std::string Plays(const std::vector<std::string>& lines, size_t from)
{
    std::string plays;
    for (; from < lines.size(); ++from) {
        if (const int track = PlayedTrack(lines[from])) {
            plays += (plays.empty() ? "" : " ") + std::to_string(track);
        }
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
    for (; from < lines.size(); ++from) {
        count += lines[from].find(text) != std::string::npos ? 1 : 0;
    }
    return count;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        // A bounded round: a fault that posts without end must fail the case, not hang it.
        MSG msg;
        for (int round = 0; round < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++round) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done()) {
            return true;
        }
        const DWORD spent = GetTickCount() - start;
        if (spent >= timeoutMs) {
            return false;
        }
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

size_t LogWatch::WaitPlay(int track, size_t from, DWORD timeoutMs)
{
    for (;;) {
        from = WaitFor("MCI_PLAY ", from, timeoutMs);
        if (from == npos || PlayedTrack(lines[from]) == track) {
            return from;
        }
        ++from;
    }
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

NotifyWindow::NotifyWindow()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = NotifyProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "VeltoTestNotify";
    RegisterClassA(&windowClass);  // a second window finds the class already there
    hwnd = CreateWindowA("VeltoTestNotify", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance, nullptr);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

std::vector<WPARAM> NotifyWindow::Take(DWORD ms)
{
    Pump(ms);
    std::vector<WPARAM> taken;
    taken.swap(statuses);
    return taken;
}

}  // namespace sim
