#include "mci_log.h"

#include <mmsystem.h>
#include <mmddk.h>

#include <cstdio>
#include <cstdlib>

namespace cdsim {
namespace {

struct LogLock {
    CRITICAL_SECTION cs;
    LogLock() { InitializeCriticalSection(&cs); }
    ~LogLock() { DeleteCriticalSection(&cs); }
};
LogLock g_log;

std::string hex(DWORD v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%lx", static_cast<unsigned long>(v));
    return buf;
}

struct Name {
    DWORD value;
    const char* name;
};

const char* lookup(const Name* table, std::size_t n, DWORD value)
{
    for (std::size_t i = 0; i < n; ++i)
        if (table[i].value == value) return table[i].name;
    return nullptr;
}

#define N(x)                                                                                                           \
    {                                                                                                                  \
        static_cast<DWORD>(x), #x                                                                                      \
    }

const Name kMessages[] = {
    {MCI_OPEN_DRIVER, "MCI_OPEN"},
    {MCI_CLOSE_DRIVER, "MCI_CLOSE"},
    N(MCI_OPEN),
    N(MCI_CLOSE),
    N(MCI_ESCAPE),
    N(MCI_PLAY),
    N(MCI_SEEK),
    N(MCI_STOP),
    N(MCI_PAUSE),
    N(MCI_INFO),
    N(MCI_GETDEVCAPS),
    N(MCI_SPIN),
    N(MCI_SET),
    N(MCI_STEP),
    N(MCI_RECORD),
    N(MCI_SYSINFO),
    N(MCI_BREAK),
    N(MCI_SAVE),
    N(MCI_STATUS),
    N(MCI_CUE),
    N(MCI_REALIZE),
    N(MCI_WINDOW),
    N(MCI_PUT),
    N(MCI_WHERE),
    N(MCI_FREEZE),
    N(MCI_UNFREEZE),
    N(MCI_LOAD),
    N(MCI_CUT),
    N(MCI_COPY),
    N(MCI_PASTE),
    N(MCI_UPDATE),
    N(MCI_RESUME),
    N(MCI_DELETE),
};

// Bits below 0x100 mean the same for every command.
const Name kCommonFlags[] = {
    N(MCI_NOTIFY), N(MCI_WAIT), N(MCI_FROM), N(MCI_TO), N(MCI_TRACK), {0x20, "MCI_TEST"},
};
const Name kOpenFlags[] = {
    N(MCI_OPEN_SHAREABLE),  N(MCI_OPEN_ELEMENT), N(MCI_OPEN_ALIAS),
    N(MCI_OPEN_ELEMENT_ID), N(MCI_OPEN_TYPE_ID), N(MCI_OPEN_TYPE),
};
const Name kStatusFlags[] = {N(MCI_STATUS_ITEM), N(MCI_STATUS_START)};
const Name kSetFlags[] = {
    N(MCI_SET_DOOR_OPEN), N(MCI_SET_DOOR_CLOSED), N(MCI_SET_TIME_FORMAT), N(MCI_SET_AUDIO),
    N(MCI_SET_VIDEO),     N(MCI_SET_ON),          N(MCI_SET_OFF),
};
const Name kSeekFlags[] = {N(MCI_SEEK_TO_START), N(MCI_SEEK_TO_END)};

const Name kTimeFormats[] = {
    {MCI_FORMAT_MILLISECONDS, "MILLISECONDS"},
    {MCI_FORMAT_HMS, "HMS"},
    {MCI_FORMAT_MSF, "MSF"},
    {MCI_FORMAT_FRAMES, "FRAMES"},
    {MCI_FORMAT_SMPTE_24, "SMPTE_24"},
    {MCI_FORMAT_SMPTE_25, "SMPTE_25"},
    {MCI_FORMAT_SMPTE_30, "SMPTE_30"},
    {MCI_FORMAT_SMPTE_30DROP, "SMPTE_30DROP"},
    {MCI_FORMAT_BYTES, "BYTES"},
    {MCI_FORMAT_SAMPLES, "SAMPLES"},
    {MCI_FORMAT_TMSF, "TMSF"},
};

const Name kStatusItems[] = {
    N(MCI_STATUS_LENGTH), N(MCI_STATUS_POSITION),      N(MCI_STATUS_NUMBER_OF_TRACKS),
    N(MCI_STATUS_MODE),   N(MCI_STATUS_MEDIA_PRESENT), N(MCI_STATUS_TIME_FORMAT),
    N(MCI_STATUS_READY),  N(MCI_STATUS_CURRENT_TRACK), N(MCI_CDA_STATUS_TYPE_TRACK),
};

const Name kModes[] = {
    N(MCI_MODE_NOT_READY), N(MCI_MODE_STOP),  N(MCI_MODE_PLAY), N(MCI_MODE_RECORD),
    N(MCI_MODE_SEEK),      N(MCI_MODE_PAUSE), N(MCI_MODE_OPEN),
};

const Name kNotifies[] = {
    N(MCI_NOTIFY_SUCCESSFUL),
    N(MCI_NOTIFY_SUPERSEDED),
    N(MCI_NOTIFY_ABORTED),
    N(MCI_NOTIFY_FAILURE),
};

#undef N

template <std::size_t K>
std::string nameOr(const Name (&table)[K], DWORD value, bool asHex)
{
    if (const char* n = lookup(table, K, value)) return n;
    return asHex ? hex(value) : std::to_string(value);
}

}  // namespace

std::wstring simDir()
{
    wchar_t buf[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"CDSIM_DIR", buf, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return L"C:\\cdsim";
    std::wstring dir(buf, n);
    while (!dir.empty() && (dir.back() == L'\\' || dir.back() == L'/')) dir.pop_back();
    return dir.empty() ? L"C:\\cdsim" : dir;
}

std::wstring simPath(const wchar_t* fileName)
{
    return simDir() + L"\\" + fileName;
}

void lockLog()
{
    EnterCriticalSection(&g_log.cs);
}
void unlockLog()
{
    LeaveCriticalSection(&g_log.cs);
}

void appendLogLine(const std::string& line)
{
    std::string out = line + "\n";
    std::wstring path = simPath(L"mci.log");
    lockLog();
    HANDLE h = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PATH_NOT_FOUND) {
        CreateDirectoryW(simDir().c_str(), nullptr);
        h = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (h != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(h, out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
        CloseHandle(h);
    }
    unlockLog();
}

std::vector<std::string> readLog()
{
    std::vector<std::string> lines;
    HANDLE h =
        CreateFileW(simPath(L"mci.log").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::string data;
    char buf[4096];
    DWORD got = 0;
    while (h != INVALID_HANDLE_VALUE && ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) data.append(buf, got);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    for (std::size_t start = 0, end; (end = data.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(data.substr(start, end - start));
    return lines;
}

bool clearLog()
{
    for (int attempt = 0; attempt < 100; ++attempt, Sleep(10)) {
        HANDLE h = CreateFileW(simPath(L"mci.log").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) return CloseHandle(h), true;
    }
    return false;
}

std::string plays(const std::vector<std::string>& lines, std::size_t from)
{
    std::string tracks;
    for (; from < lines.size(); ++from) {
        const std::string& line = lines[from];
        const std::size_t at = line.find(" from=");
        if (line.rfind("MCI_PLAY ", 0) == 0 && line.find(" -> 0") != std::string::npos && at != std::string::npos)
            tracks += (tracks.empty() ? "" : " ") + std::to_string(std::atoi(line.c_str() + at + 6));
    }
    return tracks;
}

std::string commands(const std::vector<std::string>& lines, std::size_t from)
{
    std::string names;
    for (; from < lines.size(); ++from) {
        if (lines[from].rfind("MCI_", 0) == 0 && lines[from].rfind("MCI_STATUS ", 0) != 0)
            names += (names.empty() ? "" : " ") + lines[from].substr(0, lines[from].find(' '));
    }
    return names;
}

int countLines(const std::vector<std::string>& lines, const char* text, std::size_t from)
{
    int count = 0;
    for (; from < lines.size(); ++from) count += lines[from].find(text) != std::string::npos ? 1 : 0;
    return count;
}

std::string messageName(UINT msg)
{
    return nameOr(kMessages, msg, true);
}

std::string flagsText(UINT msg, DWORD flags)
{
    if (flags == 0) return "0";
    std::string out;
    for (int bit = 0; bit < 32; ++bit) {
        DWORD b = DWORD(1) << bit;
        if (!(flags & b)) continue;
        const char* name = lookup(kCommonFlags, sizeof kCommonFlags / sizeof *kCommonFlags, b);
        if (!name) {
            switch (msg) {
            case MCI_OPEN_DRIVER:
                name = lookup(kOpenFlags, sizeof kOpenFlags / sizeof *kOpenFlags, b);
                break;
            case MCI_STATUS:
                name = lookup(kStatusFlags, sizeof kStatusFlags / sizeof *kStatusFlags, b);
                break;
            case MCI_SET:
                name = lookup(kSetFlags, sizeof kSetFlags / sizeof *kSetFlags, b);
                break;
            case MCI_SEEK:
                name = lookup(kSeekFlags, sizeof kSeekFlags / sizeof *kSeekFlags, b);
                break;
            default:
                break;
            }
        }
        if (!out.empty()) out += '|';
        out += name ? std::string(name) : hex(b);
    }
    return out;
}

std::string timeFormatName(DWORD format)
{
    return nameOr(kTimeFormats, format, false);
}
std::string statusItemName(DWORD item)
{
    return nameOr(kStatusItems, item, true);
}
std::string modeName(DWORD mode)
{
    return nameOr(kModes, mode, false);
}
std::string notifyName(UINT status)
{
    return nameOr(kNotifies, status, true);
}

std::string logString(const wchar_t* s)
{
    if (!s) return "(null)";
    std::wstring w;
    for (int i = 0; i < 64 && s[i]; ++i) w += (s[i] <= L' ' || s[i] == 0x7F) ? L'?' : s[i];
    if (w.empty()) return "";
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return "?";
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &out[0], n, nullptr, nullptr);
    return out;
}

}  // namespace cdsim
