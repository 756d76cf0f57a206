#include "control_file.h"

#include <windows.h>

#include <cstdio>

#include "mci_log.h"

namespace cdsim {
namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

std::string trim(const std::string& s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && isSpace(s[b])) ++b;
    while (e > b && isSpace(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// Plain decimal digits only: no sign, no hex, at most nine digits so it cannot overflow.
bool parseNumber(const std::string& s, uint32_t maxValue, uint32_t& out)
{
    if (s.empty() || s.size() > 9) return false;
    uint32_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint32_t>(c - '0');
    }
    if (v > maxValue) return false;
    out = v;
    return true;
}

bool parseFlag(const std::string& s, bool& out)
{
    uint32_t v;
    if (!parseNumber(s, 1, v)) return false;
    out = v != 0;
    return true;
}

// 1 to 99 comma-separated numbers, each 1 to maxValue.
bool parseList(const std::string& s, uint32_t maxValue, std::vector<uint32_t>& out)
{
    std::vector<uint32_t> items;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = s.find(',', start);
        std::string item = trim(s.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        uint32_t v;
        if (!parseNumber(item, maxValue, v) || v == 0 || items.size() == kMaxTracks) return false;
        items.push_back(v);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    out.swap(items);
    return true;
}

bool parseTracks(const std::string& s, std::vector<uint32_t>& out)
{
    std::vector<uint32_t> tracks;
    if (!parseList(s, kMaxTrackMs, tracks)) return false;
    uint64_t total = 0;
    for (uint32_t ms : tracks) total += ms;
    if (total > kMaxDiscMs) return false;
    out.swap(tracks);
    return true;
}

bool fail(std::string& error, int line, const char* what)
{
    char buf[160];
    std::snprintf(buf, sizeof buf, "line %d: %s", line, what);
    error = buf;
    return false;
}

}  // namespace

bool parseControl(const char* text, std::size_t len, DiscConfig& out, std::string& error)
{
    DiscConfig cfg;
    bool haveTracks = false;
    std::string all(text, len);
    // Tolerate a UTF-8 byte order mark from editors that write one.
    if (all.compare(0, 3, "\xEF\xBB\xBF") == 0) all.erase(0, 3);
    if (all.find('\0') != std::string::npos) return fail(error, 0, "NUL byte in file");

    std::size_t pos = 0;
    int lineNo = 0;
    while (pos <= all.size()) {
        std::size_t nl = all.find('\n', pos);
        std::string line = trim(all.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos));
        pos = (nl == std::string::npos) ? all.size() + 1 : nl + 1;
        ++lineNo;
        if (line.empty() || line[0] == '#') continue;

        std::size_t eq = line.find('=');
        if (eq == std::string::npos) return fail(error, lineNo, "no '='");
        std::string key = trim(line.substr(0, eq));
        std::string value = trim(line.substr(eq + 1));

        bool ok;
        if (key == "present")
            ok = parseFlag(value, cfg.present);
        else if (key == "ready")
            ok = parseFlag(value, cfg.ready);
        else if (key == "tracks")
            ok = haveTracks = parseTracks(value, cfg.tracksMs);
        else if (key == "fail_open")
            ok = parseFlag(value, cfg.failOpen);
        else if (key == "fail_time_format")
            ok = parseFlag(value, cfg.failTimeFormat);
        else if (key == "fail_play")
            ok = parseFlag(value, cfg.failPlay);
        else if (key == "fail_after_ms")
            ok = parseNumber(value, kMaxDiscMs, cfg.failAfterMs);
        else if (key == "notify_end")
            ok = parseFlag(value, cfg.notifyEnd);
        else if (key == "start_delay_ms")
            ok = parseNumber(value, kMaxDelayMs, cfg.startDelayMs);
        else if (key == "close_delay_ms")
            ok = parseNumber(value, kMaxDelayMs, cfg.closeDelayMs);
        else if (key == "not_ready_queries")
            ok = parseNumber(value, 9, cfg.notReadyQueries);
        else if (key == "data_tracks")
            ok = parseList(value, kMaxTracks, cfg.dataTracks);
        else if (key == "start_delay_mode") {
            ok = true;
            if (value == "seek")
                cfg.startDelayMode = DelayMode::Seek;
            else if (value == "stop")
                cfg.startDelayMode = DelayMode::Stop;
            else
                ok = false;
        } else {
            return fail(error, lineNo, "unknown key");
        }
        if (!ok) return fail(error, lineNo, "bad value");
    }
    // A readable disc must say what is on it; a drive that is not ready need not.
    if (cfg.present && cfg.ready && !haveTracks) return fail(error, lineNo, "present=1 needs tracks");
    for (uint32_t t : cfg.dataTracks)
        if (haveTracks && t > cfg.tracksMs.size())
            return fail(error, lineNo, "data_tracks names a track the disc lacks");
    out = cfg;
    return true;
}

std::string formatControl(const DiscConfig& disc)
{
    std::string tracks;
    for (uint32_t ms : disc.tracksMs) tracks += (tracks.empty() ? "" : ",") + std::to_string(ms);
    std::string t = "present=" + std::to_string(disc.present) + "\nready=" + std::to_string(disc.ready) + "\n";
    if (!tracks.empty()) t += "tracks=" + tracks + "\n";
    t += "fail_open=" + std::to_string(disc.failOpen) + "\nfail_time_format=" + std::to_string(disc.failTimeFormat) +
         "\nfail_play=" + std::to_string(disc.failPlay) + "\nfail_after_ms=" + std::to_string(disc.failAfterMs) +
         "\nnotify_end=" + std::to_string(disc.notifyEnd) + "\nstart_delay_ms=" + std::to_string(disc.startDelayMs) +
         "\nstart_delay_mode=" + (disc.startDelayMode == DelayMode::Stop ? "stop" : "seek") +
         "\nclose_delay_ms=" + std::to_string(disc.closeDelayMs) +
         "\nnot_ready_queries=" + std::to_string(disc.notReadyQueries) + "\n";
    std::string data;
    for (uint32_t track : disc.dataTracks) data += (data.empty() ? "" : ",") + std::to_string(track);
    if (!data.empty()) t += "data_tracks=" + data + "\n";
    return t;
}

DiscConfig discWithTracks(std::vector<uint32_t> tracksMs)
{
    DiscConfig disc;
    disc.present = true;
    disc.tracksMs = std::move(tracksMs);
    return disc;
}

bool writeControl(const DiscConfig& disc)
{
    CreateDirectoryW(simDir().c_str(), nullptr);
    const std::wstring target = simPath(L"disc.txt"), temp = target + L".new";
    const std::string text = formatControl(disc);
    // The drive may hold the file open for a moment: try again briefly.
    for (int attempt = 0; attempt < 100; ++attempt, Sleep(10)) {
        HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        if (h == INVALID_HANDLE_VALUE) continue;
        const BOOL ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(h);
        if (ok && written == text.size() && MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
            return true;
    }
    return false;
}

DiscConfig loadControl(const std::wstring& path, std::string& error)
{
    error.clear();
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = "cannot open control file";
        return DiscConfig();
    }
    std::string data;
    char buf[4096];
    DWORD got = 0;
    bool tooBig = false;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) {
        if (data.size() + got > kMaxControlBytes) {
            tooBig = true;
            break;
        }
        data.append(buf, got);
    }
    CloseHandle(h);
    if (tooBig) {
        error = "control file too large";
        return DiscConfig();
    }
    DiscConfig cfg;
    if (!parseControl(data.data(), data.size(), cfg, error)) return DiscConfig();
    return cfg;
}

}  // namespace cdsim
