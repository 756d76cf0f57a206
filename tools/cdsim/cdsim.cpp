// A simulated CD drive, installed as the MCI "cdaudio" device. Every command re-reads
// the control file and is appended to the command log; README.md describes both.

#include <windows.h>
#include <mmsystem.h>
#include <mmddk.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "control_file.h"
#include "mci_log.h"

// Exported by winmm for drivers but not declared by MinGW's headers.
extern "C" {
BOOL WINAPI mciDriverNotify(HANDLE hwndCallback, UINT uDeviceID, UINT uStatus);
BOOL WINAPI mciSetDriverData(UINT uDeviceID, DWORD_PTR dwData);
DWORD_PTR WINAPI mciGetDriverData(UINT uDeviceID);
LRESULT CALLBACK DriverProc(DWORD_PTR dwDevID, HDRVR hDrv, UINT wMsg, LPARAM lParam1, LPARAM lParam2);
}

namespace cdsim {
namespace {

// What DRV_OPEN returns for winmm's session instance: far above any MCI device ID, so a
// later DRV_CLOSE for it can never be taken for a device.
constexpr LRESULT kSessionInstance = 0x5E5510;

uint64_t nowMs() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<uint64_t>(c.QuadPart) * 1000u / static_cast<uint64_t>(f.QuadPart);
}

// ---- positions: the drive keeps milliseconds; the app speaks its time format ----

uint32_t discLengthMs(const DiscConfig& disc) {
    uint32_t total = 0;
    for (uint32_t t : disc.tracksMs) total += t;
    return total;
}

uint32_t trackStartMs(const DiscConfig& disc, std::size_t track /* 1-based */) {
    uint32_t start = 0;
    for (std::size_t i = 1; i < track && i <= disc.tracksMs.size(); ++i) start += disc.tracksMs[i - 1];
    return start;
}

// The track holding `ms`; the end of the disc belongs to the last track.
std::size_t trackAt(const DiscConfig& disc, uint32_t ms) {
    uint32_t start = 0;
    for (std::size_t i = 0; i < disc.tracksMs.size(); ++i) {
        start += disc.tracksMs[i];
        if (ms < start) return i + 1;
    }
    return disc.tracksMs.size();
}

uint32_t framesOf(uint32_t ms) { return static_cast<uint32_t>(uint64_t(ms) * 75u / 1000u); }
// Rounded up, so that converting back to frames gives the same frame.
uint32_t msOfFrames(uint32_t frames) { return static_cast<uint32_t>((uint64_t(frames) * 1000u + 74u) / 75u); }

DWORD msfOf(uint32_t ms) {
    uint32_t f = framesOf(ms);
    return MCI_MAKE_MSF(f / 4500u, (f / 75u) % 60u, f % 75u);
}

DWORD encodePosition(const DiscConfig& disc, DWORD format, uint32_t ms) {
    switch (format) {
    case MCI_FORMAT_TMSF: {
        std::size_t t = trackAt(disc, ms);
        uint32_t f = framesOf(ms - trackStartMs(disc, t));
        return MCI_MAKE_TMSF(t, f / 4500u, (f / 75u) % 60u, f % 75u);
    }
    case MCI_FORMAT_MSF: return msfOf(ms);
    default: return ms;
    }
}

// Lengths have no track: in TMSF they are given in MSF, as real drivers do.
DWORD encodeLength(DWORD format, uint32_t ms) { return format == MCI_FORMAT_MILLISECONDS ? ms : msfOf(ms); }

DWORD decodePosition(const DiscConfig& disc, DWORD format, DWORD value, uint32_t& ms) {
    uint64_t v;
    switch (format) {
    case MCI_FORMAT_TMSF: {
        std::size_t t = MCI_TMSF_TRACK(value);
        uint32_t m = MCI_TMSF_MINUTE(value), s = MCI_TMSF_SECOND(value), f = MCI_TMSF_FRAME(value);
        if (t < 1 || t > disc.tracksMs.size() || s > 59 || f > 74) return MCIERR_OUTOFRANGE;
        v = uint64_t(trackStartMs(disc, t)) + m * 60000u + s * 1000u + msOfFrames(f);
        break;
    }
    case MCI_FORMAT_MSF: {
        uint32_t m = MCI_MSF_MINUTE(value), s = MCI_MSF_SECOND(value), f = MCI_MSF_FRAME(value);
        if (s > 59 || f > 74 || (value >> 24) != 0) return MCIERR_OUTOFRANGE;
        v = uint64_t(m) * 60000u + s * 1000u + msOfFrames(f);
        break;
    }
    default: v = value; break;
    }
    if (v > discLengthMs(disc)) return MCIERR_OUTOFRANGE;
    ms = static_cast<uint32_t>(v);
    return 0;
}

std::string timeText(DWORD format, DWORD value) {
    char buf[32];
    switch (format) {
    case MCI_FORMAT_TMSF:
        std::snprintf(buf, sizeof buf, "%u:%02u:%02u:%02u", unsigned(MCI_TMSF_TRACK(value)), unsigned(MCI_TMSF_MINUTE(value)),
                      unsigned(MCI_TMSF_SECOND(value)), unsigned(MCI_TMSF_FRAME(value)));
        break;
    case MCI_FORMAT_MSF:
        std::snprintf(buf, sizeof buf, "%02u:%02u:%02u", unsigned(MCI_MSF_MINUTE(value)), unsigned(MCI_MSF_SECOND(value)),
                      unsigned(MCI_MSF_FRAME(value)));
        break;
    default: std::snprintf(buf, sizeof buf, "%lu", static_cast<unsigned long>(value)); break;
    }
    return buf;
}

// ---- the device ----

enum class Run { Stopped, Paused, Playing };

struct Notice {
    HWND wnd;
    UINT status;
};

struct Device {
    UINT id = 0;
    CRITICAL_SECTION cs;
    DWORD timeFormat = MCI_FORMAT_MSF;  // the default of a cdaudio device

    Run run = Run::Stopped;
    uint32_t posMs = 0;  // where the head is while not playing

    // The current (or last) play, fixed when it starts.
    uint64_t playStart = 0;
    uint32_t delayMs = 0;
    DelayMode delayMode = DelayMode::Seek;
    uint32_t fromMs = 0, toMs = 0, failAfterMs = 0;
    bool notifyEnd = false;

    // A play's notification that has not been sent yet.
    bool pending = false;
    HWND pendingWnd = nullptr;

    HANDLE wake = nullptr;
    HANDLE thread = nullptr;
    bool quit = false;

    std::vector<Notice> notices;  // collected under cs, sent by flushNotices

    Device() { InitializeCriticalSection(&cs); }
    ~Device() { DeleteCriticalSection(&cs); }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
};

struct Registry {
    CRITICAL_SECTION cs;
    std::vector<Device*> devices;
    Registry() { InitializeCriticalSection(&cs); }
    ~Registry() { DeleteCriticalSection(&cs); }
};
Registry g_registry;

Device* findDevice(DWORD_PTR id) {
    Device* found = nullptr;
    EnterCriticalSection(&g_registry.cs);
    for (Device* d : g_registry.devices)
        if (d->id == id) found = d;
    LeaveCriticalSection(&g_registry.cs);
    return found;
}

// Called with d.cs held. Posts and logs what was collected; the log lock keeps a
// command's line and its notifications together.
void flushNotices(Device& d) {
    for (const Notice& n : d.notices) {
        mciDriverNotify(n.wnd, d.id, n.status);
        appendLogLine("NOTIFY " + notifyName(n.status));
    }
    d.notices.clear();
}

void endPending(Device& d, UINT status) {
    if (!d.pending) return;
    d.notices.push_back({d.pendingWnd, status});
    d.pending = false;
    d.pendingWnd = nullptr;
}

uint64_t clockStart(const Device& d) { return d.playStart + d.delayMs; }
bool failsBeforeEnd(const Device& d) { return d.failAfterMs > 0 && d.failAfterMs < d.toMs - d.fromMs; }

// Brings a running play up to `now`: it may have reached its end or its injected failure.
void advance(Device& d, uint64_t now) {
    if (d.run != Run::Playing) return;
    uint64_t start = clockStart(d);
    if (failsBeforeEnd(d) && now >= start + d.failAfterMs) {
        d.run = Run::Stopped;
        d.posMs = d.fromMs + d.failAfterMs;
        endPending(d, MCI_NOTIFY_FAILURE);
    } else if (now >= start + (d.toMs - d.fromMs)) {
        d.run = Run::Stopped;
        d.posMs = d.toMs;
        // NT and later leave the notification waiting; only the old platform reports the end.
        if (d.notifyEnd) endPending(d, MCI_NOTIFY_SUCCESSFUL);
    }
}

// Milliseconds until advance() has something to do, or INFINITE.
DWORD untilNextEvent(const Device& d, uint64_t now) {
    if (d.run != Run::Playing) return INFINITE;
    uint64_t at = clockStart(d) + (failsBeforeEnd(d) ? d.failAfterMs : d.toMs - d.fromMs);
    return at > now ? static_cast<DWORD>(at - now) : 0;
}

uint32_t currentPosMs(const Device& d, uint64_t now) {
    if (d.run != Run::Playing) return d.posMs;
    uint64_t start = clockStart(d);
    if (now <= start) return d.fromMs;
    uint64_t p = d.fromMs + (now - start);
    return p > d.toMs ? d.toMs : static_cast<uint32_t>(p);
}

DWORD currentMode(const Device& d, const DiscConfig& disc, uint64_t now) {
    if (!disc.present) return MCI_MODE_OPEN;
    if (!disc.ready) return MCI_MODE_NOT_READY;
    switch (d.run) {
    case Run::Paused: return MCI_MODE_PAUSE;
    case Run::Playing:
        if (now < clockStart(d)) return d.delayMode == DelayMode::Seek ? MCI_MODE_SEEK : MCI_MODE_STOP;
        return MCI_MODE_PLAY;
    default: return MCI_MODE_STOP;
    }
}

DWORD WINAPI completionThread(LPVOID arg) {
    Device& d = *static_cast<Device*>(arg);
    for (;;) {
        EnterCriticalSection(&d.cs);
        if (d.quit) {
            LeaveCriticalSection(&d.cs);
            return 0;
        }
        advance(d, nowMs());
        flushNotices(d);
        DWORD wait = untilNextEvent(d, nowMs());
        LeaveCriticalSection(&d.cs);
        WaitForSingleObject(d.wake, wait);
    }
}

void stopThread(Device& d) {
    if (!d.thread) return;
    EnterCriticalSection(&d.cs);
    d.quit = true;
    LeaveCriticalSection(&d.cs);
    SetEvent(d.wake);
    WaitForSingleObject(d.thread, INFINITE);
    CloseHandle(d.thread);
    d.thread = nullptr;
}

Device* createDevice(UINT id) {
    Device* d = new Device;
    d->id = id;
    d->wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (d->wake) d->thread = CreateThread(nullptr, 0, completionThread, d, 0, nullptr);
    if (!d->thread) {
        if (d->wake) CloseHandle(d->wake);
        delete d;
        return nullptr;
    }
    EnterCriticalSection(&g_registry.cs);
    g_registry.devices.push_back(d);
    LeaveCriticalSection(&g_registry.cs);
    return d;
}

void destroyDevice(Device* d) {
    EnterCriticalSection(&g_registry.cs);
    for (std::size_t i = 0; i < g_registry.devices.size(); ++i) {
        if (g_registry.devices[i] == d) {
            g_registry.devices.erase(g_registry.devices.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
    LeaveCriticalSection(&g_registry.cs);
    stopThread(*d);
    if (d->wake) CloseHandle(d->wake);
    delete d;
}

// ---- commands ----

// What one command produced, for its log line.
struct Outcome {
    std::string args;     // " name=value ..." as received
    std::string results;  // " name=value ..." returned
    DWORD ret = 0;        // full return value for winmm (error code in the low word)
    bool waitForEnd = false;
};

void addArg(std::string& to, const char* name, const std::string& value) {
    to += ' ';
    to += name;
    to += '=';
    to += value;
}

// The notification rules of the platform: a new play, stop, pause, seek or close aborts
// a waiting notification; any other command asking for one supersedes it. Only for
// commands that succeed.
void settleNotifications(Device& d, UINT msg, DWORD flags, DWORD_PTR callback, bool ownNotifyNow) {
    switch (msg) {
    case MCI_PLAY: case MCI_STOP: case MCI_PAUSE: case MCI_SEEK: case MCI_CLOSE_DRIVER:
        endPending(d, MCI_NOTIFY_ABORTED);
        break;
    default:
        if (flags & MCI_NOTIFY) endPending(d, MCI_NOTIFY_SUPERSEDED);
        break;
    }
    if ((flags & MCI_NOTIFY) && ownNotifyNow) d.notices.push_back({reinterpret_cast<HWND>(callback), MCI_NOTIFY_SUCCESSFUL});
}

DWORD_PTR callbackOf(const void* params) {
    return params ? static_cast<const MCI_GENERIC_PARMS*>(params)->dwCallback : 0;
}

void doOpen(Device& d, const DiscConfig& disc, DWORD flags, const MCI_OPEN_PARMSW* p, Outcome& o) {
    if (p) {
        if (flags & MCI_OPEN_TYPE_ID) addArg(o.args, "type", "#" + std::to_string(LOWORD(reinterpret_cast<DWORD_PTR>(p->lpstrDeviceType))));
        else if (flags & MCI_OPEN_TYPE) addArg(o.args, "type", logString(p->lpstrDeviceType));
        if (flags & MCI_OPEN_ELEMENT) addArg(o.args, "element", logString(p->lpstrElementName));
        if (flags & MCI_OPEN_ALIAS) addArg(o.args, "alias", logString(p->lpstrAlias));
    }
    if (disc.failOpen) {
        o.ret = MCIERR_DEVICE_OPEN;
        return;
    }
    d.timeFormat = MCI_FORMAT_MSF;
    settleNotifications(d, MCI_OPEN_DRIVER, flags, p ? p->dwCallback : 0, true);
}

void doClose(Device& d, DWORD flags, const void* p, uint64_t now) {
    if (d.run == Run::Playing) d.posMs = currentPosMs(d, now);
    d.run = Run::Stopped;
    settleNotifications(d, MCI_CLOSE_DRIVER, flags, callbackOf(p), true);
}

void doSet(Device& d, const DiscConfig& disc, DWORD flags, const MCI_SET_PARMS* p, Outcome& o) {
    if (!p) { o.ret = MCIERR_NULL_PARAMETER_BLOCK; return; }
    if (flags & MCI_SET_TIME_FORMAT) addArg(o.args, "format", timeFormatName(p->dwTimeFormat));
    if (flags & (MCI_SET_DOOR_OPEN | MCI_SET_DOOR_CLOSED | MCI_SET_AUDIO | MCI_SET_VIDEO | MCI_SET_ON | MCI_SET_OFF)) {
        o.ret = MCIERR_UNSUPPORTED_FUNCTION;
        return;
    }
    if (!(flags & MCI_SET_TIME_FORMAT)) { o.ret = MCIERR_MISSING_PARAMETER; return; }
    DWORD f = p->dwTimeFormat;
    if (f != MCI_FORMAT_TMSF && f != MCI_FORMAT_MSF && f != MCI_FORMAT_MILLISECONDS) { o.ret = MCIERR_BAD_TIME_FORMAT; return; }
    if (disc.failTimeFormat) { o.ret = MCIERR_BAD_TIME_FORMAT; return; }
    d.timeFormat = f;
    settleNotifications(d, MCI_SET, flags, p->dwCallback, true);
}

DWORD resource(WORD value, WORD stringId) { return MAKEMCIRESOURCE(value, stringId); }

void doStatus(Device& d, const DiscConfig& disc, DWORD flags, MCI_STATUS_PARMS* p, uint64_t now, Outcome& o) {
    if (!p) { o.ret = MCIERR_NULL_PARAMETER_BLOCK; return; }
    if (!(flags & MCI_STATUS_ITEM)) { o.ret = MCIERR_MISSING_PARAMETER; return; }
    addArg(o.args, "item", statusItemName(p->dwItem));
    if (flags & MCI_TRACK) addArg(o.args, "track", std::to_string(p->dwTrack));

    DWORD value = 0, kind = 0;
    std::string shown;
    bool needsDisc = true;
    switch (p->dwItem) {
    case MCI_STATUS_MEDIA_PRESENT: case MCI_STATUS_READY: case MCI_STATUS_MODE: case MCI_STATUS_TIME_FORMAT:
        needsDisc = false;
        break;
    default: break;
    }
    if (needsDisc && !disc.usable()) { o.ret = MCIERR_DEVICE_NOT_READY; return; }
    std::size_t tracks = disc.tracksMs.size();
    bool trackOk = (flags & MCI_TRACK) && p->dwTrack >= 1 && p->dwTrack <= tracks;

    switch (p->dwItem) {
    case MCI_STATUS_MEDIA_PRESENT:
    case MCI_STATUS_READY: {
        bool yes = p->dwItem == MCI_STATUS_READY ? disc.present && disc.ready : disc.present;
        value = resource(yes ? TRUE : FALSE, yes ? MCI_TRUE : MCI_FALSE);
        kind = MCI_RESOURCE_RETURNED;
        shown = yes ? "TRUE" : "FALSE";
        break;
    }
    case MCI_STATUS_MODE: {
        DWORD mode = currentMode(d, disc, now);
        value = resource(static_cast<WORD>(mode), static_cast<WORD>(mode));
        kind = MCI_RESOURCE_RETURNED;
        shown = modeName(mode);
        break;
    }
    case MCI_STATUS_TIME_FORMAT:
        value = resource(static_cast<WORD>(d.timeFormat), static_cast<WORD>(MCI_FORMAT_RETURN_BASE + d.timeFormat));
        kind = MCI_RESOURCE_RETURNED;
        shown = timeFormatName(d.timeFormat);
        break;
    case MCI_STATUS_NUMBER_OF_TRACKS:
        value = static_cast<DWORD>(tracks);
        shown = std::to_string(value);
        break;
    case MCI_STATUS_CURRENT_TRACK:
        value = static_cast<DWORD>(trackAt(disc, currentPosMs(d, now)));
        shown = std::to_string(value);
        break;
    case MCI_STATUS_POSITION: {
        uint32_t ms;
        if (flags & MCI_TRACK) {
            if (!trackOk) { o.ret = MCIERR_OUTOFRANGE; return; }
            ms = trackStartMs(disc, p->dwTrack);
        } else {
            ms = (flags & MCI_STATUS_START) ? 0 : currentPosMs(d, now);
        }
        value = encodePosition(disc, d.timeFormat, ms);
        kind = d.timeFormat == MCI_FORMAT_TMSF ? MCI_COLONIZED4_RETURN
               : d.timeFormat == MCI_FORMAT_MSF ? MCI_COLONIZED3_RETURN : 0;
        shown = timeText(d.timeFormat, value);
        break;
    }
    case MCI_STATUS_LENGTH: {
        if ((flags & MCI_TRACK) && !trackOk) { o.ret = MCIERR_OUTOFRANGE; return; }
        uint32_t ms = (flags & MCI_TRACK) ? disc.tracksMs[p->dwTrack - 1] : discLengthMs(disc);
        value = encodeLength(d.timeFormat, ms);
        DWORD shownFormat = d.timeFormat == MCI_FORMAT_MILLISECONDS ? MCI_FORMAT_MILLISECONDS : MCI_FORMAT_MSF;
        kind = shownFormat == MCI_FORMAT_MSF ? MCI_COLONIZED3_RETURN : 0;
        shown = timeText(shownFormat, value);
        break;
    }
    case MCI_CDA_STATUS_TYPE_TRACK:
        if (!(flags & MCI_TRACK)) { o.ret = MCIERR_MISSING_PARAMETER; return; }
        if (!trackOk) { o.ret = MCIERR_OUTOFRANGE; return; }
        value = resource(MCI_CDA_TRACK_AUDIO, MCI_CDA_TRACK_AUDIO);
        kind = MCI_RESOURCE_RETURNED;
        shown = "MCI_CDA_TRACK_AUDIO";
        break;
    default:
        o.ret = MCIERR_UNSUPPORTED_FUNCTION;
        return;
    }
    p->dwReturn = value;
    o.ret = kind;
    addArg(o.results, "return", shown);
    settleNotifications(d, MCI_STATUS, flags, p->dwCallback, true);
}

void doPlay(Device& d, const DiscConfig& disc, DWORD flags, const MCI_PLAY_PARMS* p, uint64_t now, Outcome& o) {
    if (!p && (flags & (MCI_NOTIFY | MCI_FROM | MCI_TO))) { o.ret = MCIERR_NULL_PARAMETER_BLOCK; return; }
    if (flags & MCI_FROM) addArg(o.args, "from", timeText(d.timeFormat, p->dwFrom));
    if (flags & MCI_TO) addArg(o.args, "to", timeText(d.timeFormat, p->dwTo));
    if (!disc.usable()) { o.ret = MCIERR_DEVICE_NOT_READY; return; }

    uint32_t from = currentPosMs(d, now), to = discLengthMs(disc);
    if (flags & MCI_FROM) {
        if (DWORD err = decodePosition(disc, d.timeFormat, p->dwFrom, from)) { o.ret = err; return; }
    }
    if (flags & MCI_TO) {
        if (DWORD err = decodePosition(disc, d.timeFormat, p->dwTo, to)) { o.ret = err; return; }
    }
    if (from > to) { o.ret = MCIERR_OUTOFRANGE; return; }
    if (disc.failPlay) { o.ret = MCIERR_HARDWARE; return; }

    settleNotifications(d, MCI_PLAY, flags, 0, false);
    d.run = Run::Playing;
    d.playStart = now;
    d.delayMs = disc.startDelayMs;
    d.delayMode = disc.startDelayMode;
    d.fromMs = from;
    d.toMs = to;
    d.posMs = from;
    d.failAfterMs = disc.failAfterMs;
    d.notifyEnd = disc.notifyEnd;
    if (flags & MCI_NOTIFY) {
        d.pending = true;
        d.pendingWnd = reinterpret_cast<HWND>(p->dwCallback);
    }
    o.waitForEnd = (flags & MCI_WAIT) != 0;
    SetEvent(d.wake);
}

void doStop(Device& d, UINT msg, DWORD flags, const void* p, uint64_t now) {
    if (d.run == Run::Playing) {
        d.posMs = currentPosMs(d, now);
        d.run = msg == MCI_PAUSE ? Run::Paused : Run::Stopped;
    } else if (msg == MCI_STOP) {
        d.run = Run::Stopped;
    }
    settleNotifications(d, msg, flags, callbackOf(p), true);
}

void doSeek(Device& d, const DiscConfig& disc, DWORD flags, const MCI_SEEK_PARMS* p, Outcome& o) {
    if (!p && (flags & (MCI_NOTIFY | MCI_TO))) { o.ret = MCIERR_NULL_PARAMETER_BLOCK; return; }
    if (flags & MCI_TO) addArg(o.args, "to", timeText(d.timeFormat, p->dwTo));
    if (!disc.usable()) { o.ret = MCIERR_DEVICE_NOT_READY; return; }
    DWORD where = flags & (MCI_TO | MCI_SEEK_TO_START | MCI_SEEK_TO_END);
    if (where == 0) { o.ret = MCIERR_MISSING_PARAMETER; return; }
    if (where != MCI_TO && where != MCI_SEEK_TO_START && where != MCI_SEEK_TO_END) { o.ret = MCIERR_FLAGS_NOT_COMPATIBLE; return; }
    uint32_t target = where == MCI_SEEK_TO_END ? discLengthMs(disc) : 0;
    if (where == MCI_TO) {
        if (DWORD err = decodePosition(disc, d.timeFormat, p->dwTo, target)) { o.ret = err; return; }
    }
    d.run = Run::Stopped;
    d.posMs = target;
    settleNotifications(d, MCI_SEEK, flags, callbackOf(p), true);
}

bool isKnownMessage(UINT msg) { return messageName(msg).compare(0, 4, "MCI_") == 0; }

DWORD handleCommand(DWORD_PTR devId, UINT msg, DWORD flags, LPARAM params) {
    std::string controlError;
    DiscConfig disc = loadControl(simPath(L"disc.txt"), controlError);
    if (!controlError.empty()) OutputDebugStringA(("cdsim: disc.txt: " + controlError + "\n").c_str());

    Outcome o;
    void* p = reinterpret_cast<void*>(params);
    Device* d = findDevice(devId);
    if (!d) {
        o.ret = MCIERR_INVALID_DEVICE_ID;
        appendLogLine(messageName(msg) + " " + flagsText(msg, flags) + " -> " + std::to_string(o.ret));
        return o.ret;
    }

    EnterCriticalSection(&d->cs);
    uint64_t now = nowMs();
    advance(*d, now);
    // A disc taken out (or a drive gone not ready) ends what was playing. NT and Wine say
    // nothing, as for any end; only the old platform, which reports ends, reports a failure.
    if (d->run != Run::Stopped && !disc.usable()) {
        d->run = Run::Stopped;
        d->posMs = 0;
        if (d->notifyEnd) endPending(*d, MCI_NOTIFY_FAILURE);
    }

    switch (msg) {
    case MCI_OPEN_DRIVER: doOpen(*d, disc, flags, static_cast<const MCI_OPEN_PARMSW*>(p), o); break;
    case MCI_CLOSE_DRIVER: doClose(*d, flags, p, now); break;
    case MCI_SET: doSet(*d, disc, flags, static_cast<const MCI_SET_PARMS*>(p), o); break;
    case MCI_STATUS: doStatus(*d, disc, flags, static_cast<MCI_STATUS_PARMS*>(p), now, o); break;
    case MCI_PLAY: doPlay(*d, disc, flags, static_cast<const MCI_PLAY_PARMS*>(p), now, o); break;
    case MCI_STOP: case MCI_PAUSE: doStop(*d, msg, flags, p, now); break;
    case MCI_SEEK: doSeek(*d, disc, flags, static_cast<const MCI_SEEK_PARMS*>(p), o); break;
    default: o.ret = isKnownMessage(msg) ? MCIERR_UNSUPPORTED_FUNCTION : MCIERR_UNRECOGNIZED_COMMAND; break;
    }

    lockLog();
    appendLogLine(messageName(msg) + " " + flagsText(msg, flags) + o.args + " -> " + std::to_string(LOWORD(o.ret)) +
                  o.results);
    flushNotices(*d);
    unlockLog();
    LeaveCriticalSection(&d->cs);

    if (msg == MCI_CLOSE_DRIVER) {
        stopThread(*d);
        // A slow drive keeps the caller waiting, e.g. for tests that look at a program
        // in the middle of its shut-down.
        Sleep(disc.closeDelayMs);
    }

    // MCI_WAIT on a play returns when the play is over, as a real drive's would; the
    // drive then knows the play ended, so its notification is not left waiting.
    while (o.waitForEnd) {
        EnterCriticalSection(&d->cs);
        advance(*d, nowMs());
        bool playing = d->run == Run::Playing;
        if (!playing) endPending(*d, MCI_NOTIFY_SUCCESSFUL);
        flushNotices(*d);
        DWORD left = untilNextEvent(*d, nowMs());
        LeaveCriticalSection(&d->cs);
        if (!playing) break;
        Sleep(left < 20 ? left + 1 : 20);
    }
    return o.ret;
}

LRESULT openInstance(LPARAM lParam2) {
    // The first open is winmm's session instance; it carries no parameters.
    if (lParam2 == 0) return kSessionInstance;
    auto* op = reinterpret_cast<MCI_OPEN_DRIVER_PARMS*>(lParam2);
    Device* d = createDevice(op->wDeviceID);
    if (!d) return 0;
    op->wType = MCI_DEVTYPE_CD_AUDIO;
    op->wCustomCommandTable = MCI_NO_COMMAND_TABLE;
    mciSetDriverData(op->wDeviceID, reinterpret_cast<DWORD_PTR>(d));
    return op->wDeviceID;
}

}  // namespace
}  // namespace cdsim

LRESULT CALLBACK DriverProc(DWORD_PTR dwDevID, HDRVR hDrv, UINT wMsg, LPARAM lParam1, LPARAM lParam2) {
    using namespace cdsim;
    switch (wMsg) {
    case DRV_LOAD: case DRV_FREE: case DRV_ENABLE: case DRV_DISABLE:
        return 1;
    case DRV_OPEN:
        return openInstance(lParam2);
    case DRV_CLOSE:
        if (Device* d = findDevice(dwDevID)) {
            mciSetDriverData(d->id, 0);
            destroyDevice(d);
        }
        return 1;
    case DRV_QUERYCONFIGURE:
        return 0;
    case DRV_CONFIGURE: case DRV_INSTALL: case DRV_REMOVE:
        return DRVCNF_OK;
    default:
        break;
    }
    if (wMsg >= DRV_MCI_FIRST && wMsg <= DRV_MCI_LAST)
        return handleCommand(dwDevID, wMsg, static_cast<DWORD>(lParam1), lParam2);
    return DefDriverProc(dwDevID, hDrv, wMsg, lParam1, lParam2);
}
