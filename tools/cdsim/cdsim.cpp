// A simulated CD drive, installed as the MCI "cdaudio" device. Every command re-reads
// the control file and is appended to the command log; README.md describes both.

#include <windows.h>
#include <mmsystem.h>
#include <mmddk.h>

#include <algorithm>
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

uint64_t nowMs()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<uint64_t>(c.QuadPart) * 1000u / static_cast<uint64_t>(f.QuadPart);
}

// ---- positions: the drive keeps milliseconds; the program speaks TMSF or MSF ----

// 1-based; track 0 starts the disc and the track after the last one ends it.
uint32_t trackStartMs(const DiscConfig& disc, std::size_t track)
{
    uint32_t start = 0;
    for (std::size_t i = 1; i < track && i <= disc.tracksMs.size(); ++i) start += disc.tracksMs[i - 1];
    return start;
}

uint32_t discLengthMs(const DiscConfig& disc)
{
    return trackStartMs(disc, disc.tracksMs.size() + 1);
}

// The track holding `ms`; the end of the disc belongs to the last track.
std::size_t trackAt(const DiscConfig& disc, uint32_t ms)
{
    uint32_t end = 0;
    for (std::size_t i = 0; i < disc.tracksMs.size(); ++i)
        if (ms < (end += disc.tracksMs[i])) return i + 1;
    return disc.tracksMs.size();
}

uint32_t framesOf(uint32_t ms)
{
    return static_cast<uint32_t>(uint64_t(ms) * 75u / 1000u);
}
// Rounded up, so that converting back to frames gives the same frame.
uint32_t msOfFrames(uint32_t frames)
{
    return static_cast<uint32_t>((uint64_t(frames) * 1000u + 74u) / 75u);
}

// A disc's first 2 seconds are its lead-in: MSF positions count them, track 1 starts at 00:02:00.
constexpr uint32_t kLeadInFrames = 150;

DWORD msfOfFrames(uint32_t f)
{
    return MCI_MAKE_MSF(f / 4500u, (f / 75u) % 60u, f % 75u);
}

// TMSF is the MSF from the start of the track, moved up a byte to make room for the track.
DWORD encodePosition(const DiscConfig& disc, bool tmsf, uint32_t ms)
{
    if (!tmsf) return msfOfFrames(kLeadInFrames + framesOf(ms));
    std::size_t t = trackAt(disc, ms);
    return (msfOfFrames(framesOf(ms - trackStartMs(disc, t))) << 8) | static_cast<DWORD>(t);
}

DWORD decodePosition(const DiscConfig& disc, bool tmsf, DWORD value, uint32_t& ms)
{
    std::size_t t = tmsf ? MCI_TMSF_TRACK(value) : 0;
    DWORD msf = tmsf ? value >> 8 : value;
    uint32_t m = MCI_MSF_MINUTE(msf), s = MCI_MSF_SECOND(msf), f = MCI_MSF_FRAME(msf);
    if ((tmsf && (t < 1 || t > disc.tracksMs.size())) || s > 59 || f > 74 || (msf >> 24) != 0) return MCIERR_OUTOFRANGE;
    uint64_t v;
    if (tmsf) {
        v = uint64_t(trackStartMs(disc, t)) + m * 60000u + s * 1000u + msOfFrames(f);
    } else {
        uint32_t frames = m * 4500u + s * 75u + f;
        if (frames < kLeadInFrames) return MCIERR_OUTOFRANGE;  // before track 1
        v = msOfFrames(frames - kLeadInFrames);
    }
    if (v > discLengthMs(disc)) return MCIERR_OUTOFRANGE;
    ms = static_cast<uint32_t>(v);
    return 0;
}

// Frames of track t (1-based), as the table of contents gives them: from its start to the
// next one's, the last one frame short of the lead-out, as Windows answers.
uint32_t trackFrames(const DiscConfig& disc, std::size_t t)
{
    uint32_t frames = framesOf(trackStartMs(disc, t + 1)) - framesOf(trackStartMs(disc, t));
    return t == disc.tracksMs.size() && frames > 0 ? frames - 1 : frames;
}

std::string timeText(bool tmsf, DWORD value)
{
    char buf[32];
    DWORD msf = tmsf ? value >> 8 : value;
    int n = tmsf ? std::snprintf(buf, sizeof buf, "%u:", unsigned(MCI_TMSF_TRACK(value))) : 0;
    std::snprintf(buf + n, sizeof buf - n, "%02u:%02u:%02u", unsigned(MCI_MSF_MINUTE(msf)),
                  unsigned(MCI_MSF_SECOND(msf)), unsigned(MCI_MSF_FRAME(msf)));
    return buf;
}

// ---- the device ----

struct Notice {
    HWND wnd;
    UINT status;
};

struct Device {
    UINT id;
    CRITICAL_SECTION cs;
    bool tmsf = false;  // a cdaudio device opens in MSF

    bool playing = false;
    uint32_t posMs = 0;  // where the head is while not playing

    // The current play, fixed when it starts: from fromMs at clockStart on, it stops at
    // endMs (its end or its injected failure) and then posts endStatus, if any.
    uint64_t clockStart = 0;
    uint32_t fromMs = 0, endMs = 0;
    UINT endStatus = 0;
    bool stopWhileStarting = false;
    bool notifyEnd = false;
    uint32_t statusQueries = 0;  // since the device was opened

    // A play's notification that has not been sent yet.
    bool pending = false;
    HWND pendingWnd = nullptr;

    std::vector<Notice> notices;  // collected under cs, sent by flushNotices

    HANDLE wake = nullptr;
    HANDLE thread = nullptr;  // the completion thread, joined before the DLL can go
    bool quit = false;

    explicit Device(UINT deviceId);
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
};

// Called with d.cs held. Logs before posting, so whoever gets a notification finds it in the log.
void flushNotices(Device& d)
{
    for (const Notice& n : d.notices) {
        appendLogLine("NOTIFY " + notifyName(n.status));
        mciDriverNotify(n.wnd, d.id, n.status);
    }
    d.notices.clear();
}

void endPending(Device& d, UINT status)
{
    if (!d.pending) return;
    d.notices.push_back({d.pendingWnd, status});
    d.pending = false;
}

uint64_t endAt(const Device& d)
{
    return d.clockStart + (d.endMs - d.fromMs);
}

// Brings a running play up to `now`: it may have reached its end or its failure.
void advance(Device& d, uint64_t now)
{
    if (!d.playing || now < endAt(d)) return;
    d.playing = false;
    d.posMs = d.endMs;
    if (d.endStatus) endPending(d, d.endStatus);
}

uint32_t currentPosMs(const Device& d, uint64_t now)
{
    if (!d.playing) return d.posMs;
    if (now <= d.clockStart) return d.fromMs;
    return d.fromMs + static_cast<uint32_t>(std::min<uint64_t>(now - d.clockStart, d.endMs - d.fromMs));
}

void stopPlay(Device& d, uint64_t now)
{
    d.posMs = currentPosMs(d, now);
    d.playing = false;
}

DWORD WINAPI completionThread(LPVOID arg)
{
    Device& d = *static_cast<Device*>(arg);
    EnterCriticalSection(&d.cs);
    while (!d.quit) {
        uint64_t now = nowMs();
        advance(d, now);
        flushNotices(d);
        DWORD wait = !d.playing ? INFINITE : endAt(d) > now ? static_cast<DWORD>(endAt(d) - now) : 0;
        LeaveCriticalSection(&d.cs);
        WaitForSingleObject(d.wake, wait);
        EnterCriticalSection(&d.cs);
    }
    LeaveCriticalSection(&d.cs);
    return 0;
}

Device::Device(UINT deviceId) : id(deviceId)
{
    InitializeCriticalSection(&cs);
    wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (wake) thread = CreateThread(nullptr, 0, completionThread, this, 0, nullptr);
}

Device::~Device()
{
    if (thread) {
        EnterCriticalSection(&cs);
        quit = true;
        LeaveCriticalSection(&cs);
        SetEvent(wake);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    if (wake) CloseHandle(wake);
    DeleteCriticalSection(&cs);
}

// ---- commands ----

// What one command produced, for its log line.
struct Outcome {
    std::string args;     // " name=value ..." as received
    std::string results;  // " name=value ..." returned
    DWORD ret = 0;
};

// The platform's rules, for a command that succeeded: a new play, stop or close aborts a
// waiting notification; any other command asking for one supersedes it. A play's own
// notification then waits for its end; the others' are sent at once.
void settleNotifications(Device& d, UINT msg, DWORD flags, const void* p)
{
    if (msg == MCI_PLAY || msg == MCI_STOP || msg == MCI_CLOSE_DRIVER)
        endPending(d, MCI_NOTIFY_ABORTED);
    else if (flags & MCI_NOTIFY)
        endPending(d, MCI_NOTIFY_SUPERSEDED);
    if (!(flags & MCI_NOTIFY)) return;
    HWND wnd = reinterpret_cast<HWND>(static_cast<const MCI_GENERIC_PARMS*>(p)->dwCallback);
    if (msg == MCI_PLAY) {
        d.pending = true;
        d.pendingWnd = wnd;
    } else {
        d.notices.push_back({wnd, MCI_NOTIFY_SUCCESSFUL});
    }
}

void doOpen(const DiscConfig& disc, DWORD flags, const MCI_OPEN_PARMSW* p, Outcome& o)
{
    if (flags & MCI_OPEN_TYPE_ID)
        o.args += " type=#" + std::to_string(LOWORD(reinterpret_cast<DWORD_PTR>(p->lpstrDeviceType)));
    else if (flags & MCI_OPEN_TYPE)
        o.args += " type=" + logString(p->lpstrDeviceType);
    if (flags & MCI_OPEN_ELEMENT) o.args += " element=" + logString(p->lpstrElementName);
    if (flags & MCI_OPEN_ALIAS) o.args += " alias=" + logString(p->lpstrAlias);
    if (disc.failOpen) o.ret = MCIERR_DEVICE_OPEN;
}

void doSet(Device& d, const DiscConfig& disc, DWORD flags, const MCI_SET_PARMS* p, Outcome& o)
{
    if (flags & MCI_SET_TIME_FORMAT) o.args += " format=" + timeFormatName(p->dwTimeFormat);
    DWORD f = p->dwTimeFormat;
    // Only the time format is simulated: no door, no audio channels.
    if (!(flags & MCI_SET_TIME_FORMAT) || (flags & ~(MCI_NOTIFY | MCI_WAIT | MCI_SET_TIME_FORMAT)))
        o.ret = MCIERR_UNSUPPORTED_FUNCTION;
    else if ((f != MCI_FORMAT_TMSF && f != MCI_FORMAT_MSF) || disc.failTimeFormat)
        o.ret = MCIERR_BAD_TIME_FORMAT;
    else
        d.tmsf = f == MCI_FORMAT_TMSF;
}

DWORD currentMode(const Device& d, const DiscConfig& disc, uint64_t now)
{
    if (!disc.present) return MCI_MODE_OPEN;
    if (!disc.ready) return MCI_MODE_NOT_READY;
    if (!d.playing) return MCI_MODE_STOP;
    if (now < d.clockStart) return d.stopWhileStarting ? MCI_MODE_STOP : MCI_MODE_SEEK;
    return MCI_MODE_PLAY;
}

void doStatus(const Device& d, const DiscConfig& disc, DWORD flags, MCI_STATUS_PARMS* p, uint64_t now, Outcome& o)
{
    if (!(flags & MCI_STATUS_ITEM)) {
        o.ret = MCIERR_MISSING_PARAMETER;
        return;
    }
    o.args += " item=" + statusItemName(p->dwItem);
    if (flags & MCI_TRACK) o.args += " track=" + std::to_string(p->dwTrack);

    // Of a track: its start, length and kind; any other item is asked of the disc.
    const bool trackItem =
        p->dwItem == MCI_STATUS_POSITION || p->dwItem == MCI_STATUS_LENGTH || p->dwItem == MCI_CDA_STATUS_TYPE_TRACK;
    if ((flags & MCI_STATUS_START) || ((flags & MCI_TRACK) && !trackItem)) {
        o.ret = MCIERR_UNSUPPORTED_FUNCTION;
        return;
    }

    // Yes/no, the mode and a track's kind come back as resources, as from a real driver:
    // winmm cuts them to their low word for mciSendCommand, and the player must cope with that.
    DWORD value;
    std::string shown;
    DWORD resource = 0;
    switch (p->dwItem) {
    case MCI_STATUS_MEDIA_PRESENT:
    case MCI_STATUS_READY:
        value = p->dwItem == MCI_STATUS_READY ? disc.present && disc.ready : disc.present;
        shown = value ? "TRUE" : "FALSE";
        value = value ? MAKEMCIRESOURCE(TRUE, MCI_TRUE) : MAKEMCIRESOURCE(FALSE, MCI_FALSE);
        resource = MCI_RESOURCE_RETURNED;
        break;
    case MCI_STATUS_MODE:
        value = currentMode(d, disc, now);
        shown = modeName(value);
        value = MAKEMCIRESOURCE(value, value);
        resource = MCI_RESOURCE_RETURNED;
        break;
    case MCI_STATUS_NUMBER_OF_TRACKS:
    case MCI_STATUS_CURRENT_TRACK:
    case MCI_STATUS_POSITION:
    case MCI_STATUS_LENGTH:
    case MCI_CDA_STATUS_TYPE_TRACK: {
        if (!disc.usable()) {
            o.ret = MCIERR_DEVICE_NOT_READY;
            return;
        }
        const std::size_t count = disc.tracksMs.size();
        const std::size_t t = p->dwTrack;
        if (p->dwItem == MCI_CDA_STATUS_TYPE_TRACK && !(flags & MCI_TRACK)) {
            o.ret = MCIERR_MISSING_PARAMETER;
            return;
        }
        if ((flags & MCI_TRACK) && (t < 1 || t > count)) {
            o.ret = MCIERR_OUTOFRANGE;
            return;
        }
        uint32_t pos = currentPosMs(d, now);
        if (p->dwItem == MCI_CDA_STATUS_TYPE_TRACK) {
            value = disc.isData(t) ? MCI_CDA_TRACK_OTHER : MCI_CDA_TRACK_AUDIO;
            shown = disc.isData(t) ? "MCI_CDA_TRACK_OTHER" : "MCI_CDA_TRACK_AUDIO";
            // The texts "audio" and "other" are the driver's own resources.
            value = MAKEMCIRESOURCE(value, value);
            resource = MCI_RESOURCE_RETURNED | MCI_RESOURCE_DRIVER;
        } else if (p->dwItem == MCI_STATUS_LENGTH) {
            // A length is MSF even while the device speaks TMSF.
            const uint32_t discFrames = framesOf(discLengthMs(disc));
            value = msfOfFrames(flags & MCI_TRACK ? trackFrames(disc, t) : discFrames > 0 ? discFrames - 1 : 0);
            shown = timeText(false, value);
        } else if (p->dwItem == MCI_STATUS_POSITION) {
            value = encodePosition(disc, d.tmsf, flags & MCI_TRACK ? trackStartMs(disc, t) : pos);
            shown = timeText(d.tmsf, value);
        } else {
            value = static_cast<DWORD>(p->dwItem == MCI_STATUS_CURRENT_TRACK ? trackAt(disc, pos) : count);
            shown = std::to_string(value);
        }
        break;
    }
    default:
        o.ret = MCIERR_UNSUPPORTED_FUNCTION;
        return;
    }
    p->dwReturn = value;
    o.ret = resource;
    o.results += " return=" + shown;
}

void doPlay(Device& d, const DiscConfig& disc, DWORD flags, const MCI_PLAY_PARMS* p, uint64_t now, Outcome& o)
{
    if (flags & MCI_FROM) o.args += " from=" + timeText(d.tmsf, p->dwFrom);
    if (flags & MCI_TO) o.args += " to=" + timeText(d.tmsf, p->dwTo);
    // A play is only ever asynchronous; nothing here would wait for its end.
    if (flags & MCI_WAIT) {
        o.ret = MCIERR_UNSUPPORTED_FUNCTION;
        return;
    }
    if (!disc.usable()) {
        o.ret = MCIERR_DEVICE_NOT_READY;
        return;
    }

    uint32_t from = currentPosMs(d, now), to = discLengthMs(disc);
    if (flags & MCI_FROM) {
        if (DWORD err = decodePosition(disc, d.tmsf, p->dwFrom, from)) {
            o.ret = err;
            return;
        }
    }
    if (flags & MCI_TO) {
        if (DWORD err = decodePosition(disc, d.tmsf, p->dwTo, to)) {
            o.ret = err;
            return;
        }
    }
    if (from > to) {
        o.ret = MCIERR_OUTOFRANGE;
        return;
    }
    if (disc.failPlay) {
        o.ret = MCIERR_HARDWARE;
        return;
    }

    // Windows accepts a play that starts in a data track, and the drive stays stopped: the
    // play ends at once, having played nothing.
    const bool data = disc.isData(trackAt(disc, from));
    bool fails = !data && disc.failAfterMs > 0 && disc.failAfterMs < to - from;
    d.playing = true;
    d.clockStart = data ? now : now + disc.startDelayMs;
    d.fromMs = from;
    d.endMs = data ? from : fails ? from + disc.failAfterMs : to;
    // NT and later leave the notification waiting at the end; only the old platform reports it.
    d.endStatus = fails ? MCI_NOTIFY_FAILURE : disc.notifyEnd ? MCI_NOTIFY_SUCCESSFUL : 0;
    d.stopWhileStarting = disc.startDelayMode == DelayMode::Stop;
    d.notifyEnd = disc.notifyEnd;
    SetEvent(d.wake);
}

bool isKnownMessage(UINT msg)
{
    return messageName(msg).compare(0, 4, "MCI_") == 0;
}

DWORD handleCommand(Device* d, UINT msg, DWORD flags, LPARAM params)
{
    std::string controlError;
    DiscConfig disc = loadControl(simPath(L"disc.txt"), controlError);
    if (!controlError.empty()) OutputDebugStringA(("cdsim: disc.txt: " + controlError + "\n").c_str());

    Outcome o;
    void* p = reinterpret_cast<void*>(params);
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
    if (d->playing && !disc.usable()) {
        d->playing = false;
        d->posMs = 0;
        if (d->notifyEnd) endPending(*d, MCI_NOTIFY_FAILURE);
    }

    if (!p && (msg == MCI_SET || msg == MCI_STATUS || (flags & (MCI_NOTIFY | MCI_FROM | MCI_TO)))) {
        o.ret = MCIERR_NULL_PARAMETER_BLOCK;
    } else {
        switch (msg) {
        case MCI_OPEN_DRIVER:
            doOpen(disc, flags, static_cast<const MCI_OPEN_PARMSW*>(p), o);
            break;
        case MCI_CLOSE_DRIVER:
        case MCI_STOP:
            stopPlay(*d, now);
            break;
        case MCI_SET:
            doSet(*d, disc, flags, static_cast<const MCI_SET_PARMS*>(p), o);
            break;
        case MCI_STATUS: {
            // A drive still spinning up after an open is not ready for its first queries.
            DiscConfig seen = disc;
            seen.ready = disc.ready && ++d->statusQueries > disc.notReadyQueries;
            doStatus(*d, seen, flags, static_cast<MCI_STATUS_PARMS*>(p), now, o);
            break;
        }
        case MCI_PLAY:
            doPlay(*d, disc, flags, static_cast<const MCI_PLAY_PARMS*>(p), now, o);
            break;
        default:
            o.ret = isKnownMessage(msg) ? MCIERR_UNSUPPORTED_FUNCTION : MCIERR_UNRECOGNIZED_COMMAND;
            break;
        }
    }
    if (LOWORD(o.ret) == 0) settleNotifications(*d, msg, flags, p);

    // The log lock keeps a command's line and its notifications together.
    lockLog();
    appendLogLine(messageName(msg) + " " + flagsText(msg, flags) + o.args + " -> " + std::to_string(LOWORD(o.ret)) +
                  o.results);
    flushNotices(*d);
    unlockLog();
    LeaveCriticalSection(&d->cs);

    // A slow drive keeps the caller waiting, e.g. for tests that look at a program in the
    // middle of its shut-down.
    if (msg == MCI_CLOSE_DRIVER) Sleep(disc.closeDelayMs);
    return o.ret;
}

LRESULT openInstance(LPARAM lParam2)
{
    // The first open is winmm's session instance; it carries no parameters.
    if (lParam2 == 0) return kSessionInstance;
    auto* op = reinterpret_cast<MCI_OPEN_DRIVER_PARMS*>(lParam2);
    Device* d = new Device(op->wDeviceID);
    if (!d->thread) {
        delete d;
        return 0;
    }
    op->wType = MCI_DEVTYPE_CD_AUDIO;
    op->wCustomCommandTable = MCI_NO_COMMAND_TABLE;
    mciSetDriverData(op->wDeviceID, reinterpret_cast<DWORD_PTR>(d));
    return op->wDeviceID;
}

Device* deviceOf(DWORD_PTR devId)
{
    if (devId == static_cast<DWORD_PTR>(kSessionInstance)) return nullptr;
    return reinterpret_cast<Device*>(mciGetDriverData(static_cast<UINT>(devId)));
}

}  // namespace
}  // namespace cdsim

LRESULT CALLBACK DriverProc(DWORD_PTR dwDevID, HDRVR hDrv, UINT wMsg, LPARAM lParam1, LPARAM lParam2)
{
    using namespace cdsim;
    switch (wMsg) {
    case DRV_LOAD:
    case DRV_FREE:
    case DRV_ENABLE:
    case DRV_DISABLE:
        return 1;
    case DRV_OPEN:
        return openInstance(lParam2);
    case DRV_CLOSE:
        // Joins the completion thread: winmm may unload the DLL right after.
        if (Device* d = deviceOf(dwDevID)) {
            mciSetDriverData(d->id, 0);
            delete d;
        }
        return 1;
    case DRV_QUERYCONFIGURE:
        return 0;
    case DRV_CONFIGURE:
    case DRV_INSTALL:
    case DRV_REMOVE:
        return DRVCNF_OK;
    default:
        break;
    }
    if (wMsg >= DRV_MCI_FIRST && wMsg <= DRV_MCI_LAST)
        return handleCommand(deviceOf(dwDevID), wMsg, static_cast<DWORD>(lParam1), lParam2);
    return DefDriverProc(dwDevID, hDrv, wMsg, lParam1, lParam2);
}
