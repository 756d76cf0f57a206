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

std::string tip;   // the last tip the controller wrote
DWORD clockShift;  // how far the controller's clock is ahead of the real one
int deadTicks;     // stage ticks asked for on a window that is gone

DWORD WINAPI ShiftedClock() { return GetTickCount() + clockShift; }

// The controller as the main window hosts it, on a disc it has not taken up yet. Settings
// start at their defaults and are put back however the case ends.
struct Host {
    explicit Host(const sim::Disc& disc)
    {
        Defaults();
        WNDCLASSA windowClass = {0, Proc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, "VeltoTestHost"};
        RegisterClassA(&windowClass);
        window = CreateWindowA("VeltoTestHost", "", WS_POPUP, 0, 0, 144, 104, nullptr, nullptr, nullptr, nullptr);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        sim::Load(disc);
        device.Open(), device.Stop();
        sim::ClearLog();
    }
    ~Host() { device.Close(), DestroyWindow(window), Defaults(); }
    static void Defaults() { AutoRepeat = RandomPlay = 0, AllTracksMode = 1, Whim = 300, clockShift = 0; }
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* host = reinterpret_cast<Host*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message == WM_APP) DestroyWindow(window);  // as a session's end does
        if (host != nullptr && message == WM_COMMAND) host->controller.OnCommand(window, LOWORD(wParam), HIWORD(wParam));
        if (host != nullptr && message == MM_MCINOTIFY) host->controller.OnMciNotify(window, wParam);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    void Command(int id) { controller.OnCommand(window, id, 0), sim::Pump(0); }
    void Tick() { controller.OnTick(window), sim::Pump(0); }
    int State() const { return controller.PlayerState(); }
    // Ticks until the drive has played `plays`, and then been stopped if `stops`.
    std::string TickUntil(const std::string& plays, bool stops)
    {
        sim::PumpUntil([&] {
            Tick();
            const std::string commands = sim::Commands(sim::Log());
            return sim::Plays(sim::Log()) == plays && (!stops || commands.rfind("MCI_STOP") == commands.size() - 8);
        }, 8000);
        sim::Pump(300);  // anything more the end would bring
        return sim::Plays(sim::Log());
    }

    HWND window;
    CdAudioDevice device;
    PlayOrder order{};
    PlaybackController controller{device, order, ShiftedClock};
};

// Waits for a line of the drive's log without handling messages, so that what the drive
// posted meanwhile stays queued.
bool LogShows(const char* text)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < 5000; Sleep(10)) if (sim::Count(sim::Log(), text) != 0) return true;
    return false;
}

// A session's end, sent to the window from another thread.
DWORD WINAPI EndSession(LPVOID window) { return static_cast<DWORD>(SendMessageA(static_cast<HWND>(window), WM_APP, 0, 0)); }

}  // namespace

namespace ui {  // of the user interface, the controller's tip and its stage ticks are what matter here
void SetTip(const char* text) { tip = text; }
void StageTick(HWND window, int) { deadTicks += IsWindow(window) ? 0 : 1; }
void SyncCheckMarks() {}
void FillTrackList(HWND) {}
void SelectCurrentEntry(HWND) {}
void RunSettingsDialog(HWND) {}
void ApplyTempo(HWND) {}
void TopmostSwitch(HWND, int) {}
}  // namespace ui

TEST_CASE("a disc found by a tick plays from its first position, and is missed when it goes")
{
    Host host(sim::discWithTracks({5000, 5000, 5000, 5000}));
    host.Tick();
    // The device is opened afresh for the new disc before it is counted and played.
    CHECK(sim::Commands(sim::Log()) == "MCI_STOP MCI_CLOSE MCI_OPEN MCI_SET MCI_PLAY");
    CHECK((sim::Plays(sim::Log()) == "1" && host.State() == kPlayerPlaying && tip == "veltoCD / #1 再生中"));

    sim::Load(sim::Disc{});
    CHECK((host.Tick(), host.State() == kPlayerNoDisc && tip == "veltoCD / No Disc"));
    CHECK(sim::Commands(sim::Log()) == "MCI_STOP MCI_CLOSE MCI_OPEN MCI_SET");

    // Back with random play on: the first position of a fresh shuffle, [2 4 3 1 5] for seed 1.
    RandomPlay = 1;
    sim::Load(sim::discWithTracks(std::vector<uint32_t>(5, 5000)));
    SeedRandom(1);
    CHECK((host.Tick(), sim::Plays(sim::Log())) == "2");
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
            CAPTURE(c.plays + (notifies ? ", notified" : ""));
            sim::Disc disc = sim::discWithTracks({400, 400, 400});
            disc.notifyEnd = notifies;
            Host host(disc);
            AutoRepeat = c.autoRepeat, AllTracksMode = c.allTracks;
            CHECK(host.TickUntil(c.plays, c.stops) == c.plays);
            CHECK((host.State() == kPlayerStopped) == c.stops);
            CHECK((!c.stops || (host.order.position == 0 && tip == "veltoCD / #1 停止中")));
        }
    }
}

TEST_CASE("the end-of-track policy runs once per play, and only for a play's own end")
{
    sim::Disc disc = sim::discWithTracks({300, 300, 300});
    SUBCASE("a notification after a tick has noticed the end is not a second end")
    {
        Host host(disc);
        MSG next;
        sim::PumpUntil([&] {
            host.controller.OnTick(host.window);
            return PeekMessageA(&next, host.window, WM_COMMAND, WM_COMMAND, PM_NOREMOVE) && sim::Plays(sim::Log()) == "1";
        }, 5000);
        host.controller.OnMciNotify(host.window, MCI_NOTIFY_SUCCESSFUL);
        sim::Pump(150);
        CHECK(sim::Plays(sim::Log()) == "1 2");
    }
    SUBCASE("a failure already queued is left to its notification")
    {
        disc.failAfterMs = 150;
        Host host(disc);
        host.Tick(), host.Tick();  // the second sees the drive playing
        REQUIRE(LogShows("NOTIFY MCI_NOTIFY_FAILURE"));
        // The drive is stopped, and the failure waits in the queue; then taken up afresh.
        CHECK((host.Tick(), host.State()) == kPlayerError);
        CHECK((host.Tick(), sim::Plays(sim::Log()) == "1 1" && host.State() == kPlayerPlaying));
    }
    SUBCASE("plays that our own commands end, or another command supersedes, are not ends")
    {
        disc.notifyEnd = true;
        Host host(disc);
        host.Tick(), host.Command(IDM_PLAY);
        host.controller.OnMciNotify(host.window, MCI_NOTIFY_SUPERSEDED);
        host.Command(IDM_STOP);
        sim::Pump(500);
        CHECK((sim::Plays(sim::Log()) == "1 1" && host.State() == kPlayerStopped));
    }
    SUBCASE("a drive that still says stopped while it spins up has not ended the play")
    {
        disc.startDelayMs = 60000;
        disc.startDelayMode = cdsim::DelayMode::Stop;
        Host host(disc);
        host.Tick(), host.Tick(), host.Tick();
        CHECK(sim::Plays(sim::Log()) == "1");
        clockShift = 5000;  // but one that never gets going has
        CHECK((host.Tick(), sim::Plays(sim::Log())) == "1 2");
    }
}

TEST_CASE("a stopped disc starts again after Whim seconds, also across the wrap of the tick count")
{
    Host host(sim::discWithTracks({5000, 5000}));
    host.Tick();
    Whim = 5;
    clockShift = 0xFFFFF000u - GetTickCount();  // four seconds before the wrap
    host.Command(IDM_STOP);
    for (const DWORD step : {100u, 4800u, 300u}) {
        clockShift += step;
        CHECK((host.Tick(), host.State()) == (step == 300 ? kPlayerPlaying : kPlayerStopped));
    }
    CHECK(sim::Plays(sim::Log()) == "1 1");
    Whim = 0;  // never
    host.Command(IDM_STOP);
    clockShift += 0x7FFFFFFFu;
    CHECK((host.Tick(), host.State()) == kPlayerStopped);
}

TEST_CASE("previous and next wrap around with a fresh shuffle when random play is on")
{
    Host host(sim::discWithTracks(std::vector<uint32_t>(5, 5000)));
    host.Tick();
    RandomPlay = 1;
    host.order.position = 4;
    SeedRandom(1);
    host.Command(IDM_NEXT);
    CHECK((host.order.position == 0 && sim::Plays(sim::Log()) == "1 2"));  // [2 4 3 1 5] for seed 1
    host.Command(IDM_PREV);
    CHECK((host.order.position == 4 && NextRandom() == 5447));  // the 31st number: fifteen more were drawn
}

TEST_CASE("a shut-down delivered inside a tick leaves nothing to draw on")
{
    Host host(sim::discWithTracks({300, 300}));
    host.Tick(), host.Tick();  // the second sees the drive playing
    Sleep(500);                // the track has ended; the next tick looks for a queued notification
    // Sent from another thread, the end of the session arrives inside that look.
    HANDLE sender = CreateThread(nullptr, 0, EndSession, host.window, 0, nullptr);
    Sleep(200);
    deadTicks = 0;
    host.controller.OnTick(host.window);
    CHECK((!IsWindow(host.window) && deadTicks == 0 && sim::Plays(sim::Log()) == "1"));
    WaitForSingleObject(sender, 5000);
    CloseHandle(sender);
}

TEST_CASE("a disc taken out or swapped in every state, and a storm of notifications for ended plays")
{
    for (const int state : {kPlayerInitial, kPlayerPlaying, kPlayerStopped, kPlayerNoDisc, kPlayerError}) {
        for (const bool swap : {false, true}) {
            CAPTURE(state * 10 + swap);
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
    Host host(sim::discWithTracks({60000, 60000}));
    host.Tick();
    for (int i = 0; i < 50; ++i) host.controller.OnMciNotify(host.window, i % 2 != 0 ? MCI_NOTIFY_ABORTED : MCI_NOTIFY_SUPERSEDED);
    sim::Pump(100);
    CHECK((sim::Plays(sim::Log()) == "1" && host.State() == kPlayerPlaying));
}
