// The playback controller hosted by a real hidden window, driving the simulated drive
// through the real winmm, on a clock the test can move. The drive's log is the witness.
#include <climits>

#include "common/random.h"
#include "playback/cd_audio_device.h"
#include "playback/play_order.h"
#include "playback/playback_controller.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "support/support.h"

namespace {

std::string tip;   // the last tip the controller showed
DWORD clockShift;  // how far the controller's clock is ahead of the real one

DWORD WINAPI ShiftedClock()
{
    return GetTickCount() + clockShift;
}

void ShowTip(void*, ui::Tip shown, int track)
{
    tip = shown == ui::Tip::NoDisc ? "no disc"
                                   : (shown == ui::Tip::Playing ? "playing " : "stopped ") + std::to_string(track);
}
void Nothing(void*)
{
}
const ui::Hooks kHooks = {ShowTip, Nothing, Nothing, Nothing};

// The controller as the main window hosts it, on a disc it has not taken up yet: the
// commands it returns are queued to the window, which hands them back to it.
struct Host {
    explicit Host(const sim::Disc& disc)
    {
        clockShift = 0;
        settings.Whim = 300;
        settings.AllTracksMode = 1;
        WNDCLASSA windowClass = {0, Proc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, "VeltoTestHost"};
        RegisterClassA(&windowClass);
        window = CreateWindowA("VeltoTestHost", "", WS_POPUP, 0, 0, 144, 104, nullptr, nullptr, nullptr, this);
        sim::Load(disc);
        device.NotifyTo(window);
        REQUIRE(device.Open());
        device.Stop();
        controller.Reset();
        sim::ClearLog();
    }
    ~Host() { DestroyWindow(window); }
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            SetWindowLongPtrA(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
        }
        auto* self = reinterpret_cast<Host*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self != nullptr && message == WM_COMMAND) self->Queue(self->controller.OnCommand(LOWORD(wParam)));
        if (self != nullptr && message == MM_MCINOTIFY) self->Queue(self->controller.OnMciNotify(wParam));
        return DefWindowProcA(window, message, wParam, lParam);
    }
    void Queue(int command)
    {
        if (command != 0) PostMessageA(window, WM_COMMAND, command, 0);
    }
    void Command(int id)
    {
        Queue(controller.OnCommand(id));
        sim::Pump(0);
    }
    // A tick as the main window gives it: with word of a notification already queued.
    int TickOnly()
    {
        MSG queued;
        return controller.OnTick(PeekMessageA(&queued, window, MM_MCINOTIFY, MM_MCINOTIFY, PM_NOREMOVE) != FALSE);
    }
    void Tick()
    {
        Queue(TickOnly());
        sim::Pump(0);
    }
    int State() const { return controller.PlayerState(); }
    std::string Plays() const { return sim::plays(sim::readLog()); }
    std::string Commands() const { return sim::commands(sim::readLog()); }
    // Ticks until the drive has played `plays`, and then been stopped if `stops`.
    void TickUntil(const std::string& plays, bool stops)
    {
        sim::PumpUntil(
            [&] {
                Tick();
                const std::string commands = Commands();
                const bool stopped = commands.size() >= 8 && commands.rfind("MCI_STOP") == commands.size() - 8;
                return Plays() == plays && (!stops || stopped);
            },
            8000);
        Tick();  // one more: an end handled twice would show now
    }

    Settings settings{};
    HWND window;
    CdAudioDevice device;
    PlayOrder order{};
    Random random;
    PlaybackController controller{device, order, settings, random, kHooks, nullptr, ShiftedClock};
};

sim::Disc Tracks(size_t count, uint32_t ms = 60000)
{
    return sim::discWithTracks(std::vector<uint32_t>(count, ms));
}

}  // namespace

TEST_CASE("a disc is taken up by a tick and played from its first track; a new one starts there again")
{
    Host host(Tracks(5));
    host.Command(IDM_NEXT);  // before a tick has taken the disc up: nothing to play yet
    host.Tick();
    // The device is opened afresh for the new disc before it is counted and played.
    CHECK(host.Commands() == "MCI_STOP MCI_CLOSE MCI_OPEN MCI_SET MCI_PLAY");
    CHECK(host.Plays() == "1");
    CHECK(tip == "playing 1");
    host.Command(IDM_NEXT);
    host.Command(IDM_NEXT);
    REQUIRE(host.Plays() == "1 2 3");
    sim::Load(sim::Disc{});
    host.Tick();
    CHECK(host.State() == kPlayerNoDisc);
    CHECK(tip == "no disc");
    // Taken out at track 3, and a stop given without a disc: the next disc starts at track 1.
    host.Command(IDM_STOP);
    sim::Load(Tracks(5));
    host.Tick();
    CHECK(host.Plays() == "1");
}

TEST_CASE("a drive slow after an open is taken up once it counts; a device held elsewhere is tried every 2 s")
{
    Host host(Tracks(3));
    host.Tick();
    sim::Disc held = Tracks(3);
    held.present = false;
    held.failOpen = true;  // the disc went while another program held the drive
    sim::Load(held);
    host.Tick();
    REQUIRE(host.Commands() == "MCI_STOP MCI_CLOSE MCI_OPEN");
    for (const DWORD wait : {1900u, 100u, 1900u, 100u}) {
        CAPTURE(wait);
        sim::ClearLog();
        clockShift += wait;
        host.Tick();
        CHECK(host.Commands() == (wait == 100 ? "MCI_OPEN" : ""));
    }
    // Free again, but not ready for the first queries after each open, as a drive still
    // spinning up: the next try finds no disc yet, the one after opens afresh for it and
    // counts nothing, and the next takes it up.
    sim::Disc slow = Tracks(3);
    slow.notReadyQueries = 2;
    sim::Load(slow);
    clockShift += 2000;
    host.Tick();
    host.Tick();
    CHECK(host.State() == kPlayerNoDisc);
    CHECK(host.Plays() == "");
    host.Tick();
    CHECK(host.Plays() == "1");
    CHECK(host.State() == kPlayerPlaying);
}

TEST_CASE("the end of a track, whether or not the drive reports it")
{
    struct Case {
        int autoRepeat, allTracks;
        std::string plays;
        bool stops;
    };
    // On to the next track; the same one again; through the disc, then stop at position 0; stop.
    const Case cases[] = {{1, 1, "1 2", false}, {1, 0, "1 1", false}, {0, 1, "1 2 3", true}, {0, 0, "1", true}};
    for (const bool notifies : {false, true}) {
        for (const Case& c : cases) {
            CAPTURE(c.plays);
            CAPTURE(notifies);
            sim::Disc disc = Tracks(3, 400);
            disc.notifyEnd = notifies;
            Host host(disc);
            host.settings.AutoRepeat = c.autoRepeat;
            host.settings.AllTracksMode = c.allTracks;
            host.TickUntil(c.plays, c.stops);
            CHECK(host.Plays() == c.plays);
            CHECK((host.State() == kPlayerStopped) == c.stops);
            if (c.stops) CHECK(host.order.position == 0);
            if (c.stops) CHECK(tip == "stopped 1");
        }
    }
}

TEST_CASE("the end-of-track policy runs once per play, and only for a play's own end")
{
    sim::Disc disc = Tracks(3, 300);
    // The end, noticed by a tick; then the drive's own notification of it, before the next play
    // starts or after: neither is a second end.
    for (const bool beforeNextPlay : {true, false}) {
        CAPTURE(beforeNextPlay);
        Host host(disc);
        host.settings.AutoRepeat = 1;
        host.settings.AllTracksMode = beforeNextPlay ? 1 : 0;
        int next = 0;
        const bool ended = sim::PumpUntil(
            [&] {
                host.Queue(next);
                next = host.TickOnly();
                return next != 0 && host.Plays() == "1";
            },
            5000);
        REQUIRE(ended);
        host.Queue(next);
        if (beforeNextPlay) host.Queue(host.controller.OnMciNotify(MCI_NOTIFY_SUCCESSFUL));
        if (!beforeNextPlay) PostMessageA(host.window, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, 0);
        sim::Pump(0);
        CHECK(host.Plays() == (beforeNextPlay ? "1 2" : "1 1"));
    }
    SUBCASE("plays that our own commands end, or another command supersedes, are not ends")
    {
        disc.notifyEnd = true;
        Host host(disc);
        host.Tick();
        host.Command(IDM_PLAY);
        host.Queue(host.controller.OnMciNotify(MCI_NOTIFY_SUPERSEDED));
        host.Command(IDM_STOP);
        CHECK(sim::PumpUntil([] { return sim::countLines(sim::readLog(), "NOTIFY") >= 2; }, 5000));
        CHECK(host.Plays() == "1 1");
        CHECK(host.State() == kPlayerStopped);
    }
    SUBCASE("a drive that still says stopped while it spins up has not ended the play")
    {
        disc.startDelayMs = 60000;
        disc.startDelayMode = cdsim::DelayMode::Stop;
        Host host(disc);
        host.Tick();
        host.Tick();
        CHECK(host.Plays() == "1");
        clockShift = 5000;  // but one that never gets going has
        host.Tick();
        CHECK(host.Plays() == "1 2");
    }
}

TEST_CASE("a stopped disc starts again after Whim seconds; no Whim wraps into a short delay")
{
    Host host(Tracks(2));
    host.Tick();
    clockShift = 0xFFFFF000u - GetTickCount();  // four seconds before the tick count wraps
    const struct {
        int whim;
        DWORD after;  // ms after the stop
        bool restarts;
    } cases[] = {{5, 100, false},
                 {5, 4900, false},
                 {5, 5000, true},
                 {0, 0x7FFFFFFF, false},
                 {-1, 4294966400u, false},
                 {INT_MIN, 10, false},
                 {4294968, 704, false},
                 {4294967, 4294966000u, false},
                 {4294967, 4294967000u, true}};
    for (const auto& c : cases) {
        CAPTURE(c.whim);
        CAPTURE(c.after);
        host.settings.Whim = c.whim;
        host.Command(IDM_STOP);
        clockShift += c.after;
        host.Tick();
        CHECK(host.State() == (c.restarts ? kPlayerPlaying : kPlayerStopped));
    }
}

TEST_CASE("random on and off keep the track playing; after random off the next in natural order follows")
{
    Host host(Tracks(5));
    host.Tick();
    for (int i = 0; i < 3; ++i) host.Command(IDM_NEXT);
    sim::ClearLog();
    host.Command(IDM_RANDOM);  // on: track 4 stays the one playing, wherever the shuffle put it
    host.Command(IDM_PLAY);
    CHECK(host.Plays() == "4");
    // At a track out of its natural place.
    while (host.order.CurrentTrack() == host.order.position + 1 && host.order.position < 4) ++host.order.position;
    const int playing = host.order.CurrentTrack();
    CAPTURE(playing);
    sim::ClearLog();
    host.Command(IDM_RANDOM);
    host.Command(IDM_PLAY);
    host.Command(IDM_NEXT);
    CHECK(host.Plays() == std::to_string(playing) + " " + std::to_string(playing % 5 + 1));
}

TEST_CASE("a disc taken out or swapped in every state; a play the drive refused is tried afresh")
{
    for (const int state : {kPlayerInitial, kPlayerPlaying, kPlayerStopped, kPlayerNoDisc, kPlayerError}) {
        for (const bool swap : {false, true}) {
            CAPTURE(state);
            CAPTURE(swap);
            sim::Disc disc = Tracks(5);
            disc.failPlay = state == kPlayerError;
            Host host(state == kPlayerNoDisc ? sim::Disc{} : disc);
            if (state != kPlayerInitial) host.Tick();
            if (state == kPlayerStopped) host.Command(IDM_STOP);
            REQUIRE(host.State() == state);
            if (state == kPlayerError) CHECK(tip == "stopped 1");  // not playing: the drive said no
            sim::Load(swap ? Tracks(2) : sim::Disc{});
            host.Tick();
            // A swap between two ticks goes unnoticed while a disc plays or stands stopped.
            const bool noticed = !swap || (state != kPlayerPlaying && state != kPlayerStopped);
            CHECK(host.State() == (!swap ? kPlayerNoDisc : noticed ? kPlayerPlaying : state));
            CHECK(host.order.TrackCount == (!swap ? 0 : noticed ? 2 : 5));
            if (state == kPlayerError) CHECK(sim::countLines(sim::readLog(), "MCI_PLAY") == (swap ? 1 : 0));
            // A track the disc taken up lacks is never asked for.
            host.Command(IDM_PREV);
            CHECK(sim::countLines(sim::readLog(), "from=5:") == 0);
        }
    }
}
