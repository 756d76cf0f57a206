// The playback controller hosted by a real hidden window, driving the simulated drive
// through the real winmm, on a clock the test can move. The drive's log is the witness.
#include <doctest/doctest.h>

#include "common/random.h"
#include "playback/cd_audio_device.h"
#include "playback/play_order.h"
#include "playback/playback_controller.h"
#include "playback/ui_hooks.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "support/sim_drive.h"

namespace {

struct Host;
Host* host;         // the case's host, which the hooks report to
std::string tip;    // the last tip the controller showed
int selectedTrack;  // the track whose entry the list last selected
DWORD clockShift;   // how far the controller's clock is ahead of the real one

DWORD WINAPI ShiftedClock()
{
    return GetTickCount() + clockShift;
}

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
        window = CreateWindowA("VeltoTestHost", "", WS_POPUP, 0, 0, 144, 104, nullptr, nullptr, nullptr, nullptr);
        REQUIRE(window != nullptr);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        host = this;
        sim::Load(disc);
        REQUIRE(device.Open());
        device.Stop();
        sim::ClearLog();
    }
    ~Host()
    {
        device.Close();
        DestroyWindow(window);
        host = nullptr;
    }
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<Host*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self != nullptr && message == WM_COMMAND) self->Queue(self->controller.OnCommand(window, LOWORD(wParam)));
        if (self != nullptr && message == MM_MCINOTIFY) self->Queue(self->controller.OnMciNotify(wParam));
        return DefWindowProcA(window, message, wParam, lParam);
    }
    void Queue(int command)
    {
        if (command != 0) PostMessageA(window, WM_COMMAND, command, 0);
    }
    void Command(int id)
    {
        Queue(controller.OnCommand(window, id));
        sim::Pump(0);
    }
    void Tick()
    {
        Queue(controller.OnTick(window));
        sim::Pump(0);
    }
    int State() const { return controller.PlayerState(); }
    std::string Plays() const { return sim::plays(sim::readLog()); }
    // Ticks until the drive has played `plays`, and then been stopped if `stops`.
    void TickUntil(const std::string& plays, bool stops)
    {
        sim::PumpUntil(
            [&] {
                Tick();
                const std::string commands = sim::commands(sim::readLog());
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
    PlaybackController controller{device, order, settings, ShiftedClock};
};

// Waits for a line of the drive's log without handling messages, so that what the drive
// posted meanwhile stays queued.
bool LogShows(const char* text)
{
    for (const DWORD start = GetTickCount(); GetTickCount() - start < 5000; Sleep(10)) {
        if (sim::countLines(sim::readLog(), text) != 0) return true;
    }
    return false;
}

}  // namespace

namespace ui {  // of the user interface, the tip and the list's selection matter here
void ShowTip(Tip shown, int track)
{
    tip = shown == Tip::NoDisc ? "no disc" : (shown == Tip::Playing ? "playing " : "stopped ") + std::to_string(track);
}
void FillTrackList(HWND)
{
}
void SelectCurrentEntry(HWND)
{
    selectedTrack = host->order.CurrentTrack();
}
void SyncCheckMarks()
{
}
}  // namespace ui

TEST_CASE("a disc found by a tick plays from its first position, and is missed when it goes")
{
    Host host(sim::discWithTracks(std::vector<uint32_t>(5, 60000)));
    host.Command(IDM_NEXT);  // before a tick has taken the disc up: nothing to play yet
    host.Tick();
    // The device is opened afresh for the new disc before it is counted and played.
    CHECK(sim::commands(sim::readLog()) == "MCI_STOP MCI_CLOSE MCI_OPEN MCI_SET MCI_PLAY");
    CHECK(host.Plays() == "1");
    CHECK(host.State() == kPlayerPlaying);
    CHECK(tip == "playing 1");

    host.Command(IDM_NEXT);
    host.Command(IDM_NEXT);
    REQUIRE(host.Plays() == "1 2 3");
    sim::Load(sim::Disc{});
    host.Tick();
    CHECK(host.State() == kPlayerNoDisc);
    CHECK(tip == "no disc");
    CHECK(sim::commands(sim::readLog()) == "MCI_STOP MCI_CLOSE MCI_OPEN MCI_SET");

    // The next disc starts at its first track, not where the last one was taken out, also
    // after a stop given without a disc.
    host.Command(IDM_STOP);
    sim::Load(sim::discWithTracks(std::vector<uint32_t>(5, 60000)));
    host.Tick();
    CHECK(host.Plays() == "1");

    // With random play on: the first position of a fresh shuffle, [2 4 3 1 5] for seed 1.
    sim::Load(sim::Disc{});
    host.Tick();
    host.settings.RandomPlay = 1;
    sim::Load(sim::discWithTracks(std::vector<uint32_t>(5, 60000)));
    SeedRandom(1);
    host.Tick();
    CHECK(host.Plays() == "2");
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
            sim::Disc disc = sim::discWithTracks({400, 400, 400});
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
    sim::Disc disc = sim::discWithTracks({300, 300, 300});
    SUBCASE("a notification after a tick has noticed the end is not a second end")
    {
        Host host(disc);
        int next = 0;
        sim::PumpUntil(
            [&] {
                next = host.controller.OnTick(host.window);
                if (next == IDM_NEXT) return true;  // the end, noticed by the tick
                host.Queue(next);
                return false;
            },
            5000);
        REQUIRE(next == IDM_NEXT);
        host.Queue(next);
        host.Queue(host.controller.OnMciNotify(MCI_NOTIFY_SUCCESSFUL));
        sim::Pump(0);
        CHECK(host.Plays() == "1 2");
    }
    SUBCASE("a success notification of a play already ended and replayed is not an end of the new one")
    {
        Host host(disc);
        host.settings.AutoRepeat = 1;
        host.settings.AllTracksMode = 0;
        int next = 0;
        sim::PumpUntil(
            [&] {
                next = host.controller.OnTick(host.window);
                if (next == IDM_PLAY && host.Plays() == "1") return true;  // the end, noticed by the tick
                host.Queue(next);
                return false;
            },
            5000);
        REQUIRE(next == IDM_PLAY);
        host.Queue(next);
        PostMessageA(host.window, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, 0);  // the old play's, late
        sim::Pump(0);
        CHECK(host.Plays() == "1 1");
    }
    SUBCASE("a failure already queued is left to its notification")
    {
        disc.failAfterMs = 150;
        Host host(disc);
        host.Tick();
        host.Tick();  // the second sees the drive playing
        REQUIRE(LogShows("NOTIFY MCI_NOTIFY_FAILURE"));
        // The drive is stopped, and the failure waits in the queue; then taken up afresh.
        host.Tick();
        CHECK(host.State() == kPlayerError);
        host.Tick();
        CHECK(host.Plays() == "1 1");
        CHECK(host.State() == kPlayerPlaying);
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
        host.Tick();
        CHECK(host.Plays() == "1");
        clockShift = 5000;  // but one that never gets going has
        host.Tick();
        CHECK(host.Plays() == "1 2");
    }
}

TEST_CASE("a play the drive refuses shows as stopped, and is tried afresh on the next tick")
{
    sim::Disc disc = sim::discWithTracks({60000, 60000});
    disc.failPlay = true;
    Host host(disc);
    host.Tick();
    CHECK(tip == "stopped 1");
    CHECK(host.State() == kPlayerError);
    host.Tick();
    CHECK(sim::countLines(sim::readLog(), "MCI_PLAY") == 2);
}

TEST_CASE("a stopped disc starts again after Whim seconds, also across the wrap of the tick count")
{
    Host host(sim::discWithTracks({5000, 5000}));
    host.Tick();
    host.settings.Whim = 5;
    clockShift = 0xFFFFF000u - GetTickCount();  // four seconds before the wrap
    host.Command(IDM_STOP);
    for (const DWORD step : {100u, 4800u, 300u}) {
        CAPTURE(step);
        clockShift += step;
        host.Tick();
        CHECK(host.State() == (step == 300 ? kPlayerPlaying : kPlayerStopped));
    }
    CHECK(host.Plays() == "1 1");
    host.settings.Whim = 0;  // never
    host.Command(IDM_STOP);
    clockShift += 0x7FFFFFFFu;
    host.Tick();
    CHECK(host.State() == kPlayerStopped);
}

TEST_CASE("previous and next wrap with a fresh shuffle; random off resumes the track playing")
{
    Host host(sim::discWithTracks(std::vector<uint32_t>(5, 60000)));
    host.settings.RandomPlay = 1;
    SeedRandom(1);
    host.Tick();  // [2 4 3 1 5] for seed 1
    host.order.position = 4;
    SeedRandom(1);
    host.Command(IDM_NEXT);
    CHECK(host.order.position == 0);
    CHECK(host.Plays() == "2 2");
    host.Command(IDM_PREV);
    CHECK(host.order.position == 4);
    CHECK(NextRandom() == 5447);  // the 31st number: fifteen more were drawn

    // From the shuffled position 1 (track 4 of [2 4 3 1 5]), off: track 4 again, then on to 5.
    SeedRandom(1);
    host.order.Build(true);
    host.order.position = 0;
    sim::ClearLog();
    host.Command(IDM_NEXT);
    host.Command(IDM_RANDOM);
    host.Command(IDM_PLAY);
    CHECK(selectedTrack == 4);
    host.Command(IDM_NEXT);
    CHECK(host.Plays() == "4 4 5");
}

TEST_CASE("a disc taken out or swapped in every state")
{
    for (const int state : {kPlayerInitial, kPlayerPlaying, kPlayerStopped, kPlayerNoDisc, kPlayerError}) {
        for (const bool swap : {false, true}) {
            CAPTURE(state);
            CAPTURE(swap);
            sim::Disc disc = sim::discWithTracks(std::vector<uint32_t>(5, 60000));
            disc.failPlay = state == kPlayerError;
            Host host(state == kPlayerNoDisc ? sim::Disc{} : disc);
            if (state != kPlayerInitial) host.Tick();
            if (state == kPlayerStopped) host.Command(IDM_STOP);
            REQUIRE(host.State() == state);
            sim::Load(swap ? sim::discWithTracks({60000, 60000}) : sim::Disc{});
            host.Tick();
            // A swap between two ticks goes unnoticed while a disc plays or stands stopped.
            const bool noticed = !swap || (state != kPlayerPlaying && state != kPlayerStopped);
            CHECK(host.State() == (!swap ? kPlayerNoDisc : noticed ? kPlayerPlaying : state));
            CHECK(host.order.TrackCount == (!swap ? 0 : noticed ? 2 : 5));
        }
    }
}
