// The playback controller hosted by a real hidden window, driving the simulated drive
// through the real winmm; the drive's log is the witness.
#include <doctest/doctest.h>

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/random.h"
#include "playback_host.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "support/sim_drive.h"

namespace {

const DWORD kTickMs = 50;

void defaultSettings()
{
    AutoRepeat = 0;
    RandomPlay = 0;
    ShowTopMost = 1;
    Whim = 300;
    AllTracksMode = 1;
}

// The tracks the drive was asked to play, in order.
std::vector<int> playedTracks()
{
    std::vector<int> tracks;
    for (const std::string& line : simdrive::readLog()) {
        const size_t from = line.find(" from=");
        if (line.rfind("MCI_PLAY ", 0) == 0 && line.find("-> 0") != std::string::npos && from != std::string::npos) {
            tracks.push_back(std::stoi(line.substr(from + 6)));
        }
    }
    return tracks;
}

int count(const std::string& command)
{
    int n = 0;
    for (const std::string& line : simdrive::readLog()) {
        n += line.rfind(command + " ", 0) == 0 ? 1 : 0;
    }
    return n;
}

bool called(const std::string& call)
{
    return std::find(uiCalls.begin(), uiCalls.end(), call) != uiCalls.end();
}

// Ticks until the drive has been asked to play n tracks or to stop, or time runs out.
void runUntil(PlaybackHost& host, size_t plays, int stops, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs && playedTracks().size() < plays && count("MCI_STOP") < stops) {
        host.tick();
        host.pump(kTickMs);
    }
}

// A host whose first tick has taken up the disc and started position 0.
void takeUp(PlaybackHost& host)
{
    simdrive::clearLog();
    host.tick();
    REQUIRE(host.state() == kPlayerPlaying);
    REQUIRE(playedTracks() == std::vector<int>{host.order.order[0]});
    simdrive::clearLog();
}

}  // namespace

TEST_CASE("a disc found on a tick is taken up and played from its first position")
{
    defaultSettings();
    REQUIRE(simdrive::writeDisc(simdrive::discWithTracks({5000, 5000, 5000, 5000})));
    PlaybackHost host;
    simdrive::clearLog();

    host.tick();
    CHECK(host.state() == kPlayerPlaying);
    CHECK(host.order.TrackCount == 4);
    CHECK(host.order.position == 0);
    CHECK(playedTracks() == std::vector<int>{1});
    // The old device is closed and a new one opened before the disc is counted.
    const auto log = simdrive::readLog();
    REQUIRE(log.size() > 6);
    CHECK(log[3].rfind("MCI_STOP", 0) == 0);
    CHECK(log[4].rfind("MCI_CLOSE", 0) == 0);
    CHECK(log[5].rfind("MCI_OPEN", 0) == 0);
    CHECK(uiCalls == std::vector<std::string>{"fill", "stage 1", "tip veltoCD / #1 再生中", "select"});

    SUBCASE("the disc taken out is noticed on the next tick")
    {
        REQUIRE(simdrive::writeDisc(simdrive::Disc{}));
        uiCalls.clear();
        host.tick();
        CHECK(host.state() == kPlayerNoDisc);
        CHECK(host.order.TrackCount == 0);
        CHECK(uiCalls == std::vector<std::string>{"fill", "sync", "tip veltoCD / No Disc", "stage 3"});
        uiCalls.clear();
        host.tick();
        CHECK(uiCalls == std::vector<std::string>{"stage 3"});

        SUBCASE("and put back")
        {
            REQUIRE(simdrive::writeDisc(simdrive::discWithTracks({5000, 5000})));
            simdrive::clearLog();
            host.tick();
            CHECK(host.state() == kPlayerPlaying);
            CHECK(host.order.TrackCount == 2);
            CHECK(playedTracks() == std::vector<int>{1});
        }
    }
    SUBCASE("with random play on, the first position of a fresh shuffle")
    {
        RandomPlay = 1;
        host.command(IDM_STOP);
        REQUIRE(simdrive::writeDisc(simdrive::Disc{}));
        host.tick();
        REQUIRE(simdrive::writeDisc(simdrive::discWithTracks(std::vector<unsigned>(9, 5000))));
        SeedRandom(2024);
        PlayOrder expected{};
        expected.TrackCount = 9;
        expected.Build();
        SeedRandom(2024);
        simdrive::clearLog();
        host.tick();
        CHECK(std::equal(expected.order, expected.order + 9, host.order.order));
        CHECK(playedTracks() == std::vector<int>{expected.order[0]});
    }
    defaultSettings();
}

TEST_CASE("the end of a track, whether or not the drive notifies it")
{
    defaultSettings();
    for (const bool notifies : {false, true}) {
        CAPTURE(notifies);
        simdrive::Disc disc = simdrive::discWithTracks({400, 400, 400});
        disc.notifyEnd = notifies;
        REQUIRE(simdrive::writeDisc(disc));

        SUBCASE("auto repeat, all tracks: the next track")
        {
            AutoRepeat = 1;
            PlaybackHost host;
            takeUp(host);
            runUntil(host, 1, 1, 3000);
            host.pump(150);
            CHECK(playedTracks() == std::vector<int>{2});
        }
        SUBCASE("auto repeat, one track: the same track again")
        {
            AutoRepeat = 1;
            AllTracksMode = 0;
            PlaybackHost host;
            takeUp(host);
            runUntil(host, 1, 1, 3000);
            host.pump(150);
            CHECK(playedTracks() == std::vector<int>{1});
        }
        SUBCASE("all tracks without repeat: through the disc, then stop at position 0")
        {
            PlaybackHost host;
            takeUp(host);
            runUntil(host, 99, 1, 6000);
            CHECK(playedTracks() == std::vector<int>{2, 3});
            CHECK(count("MCI_STOP") == 1);
            CHECK(host.state() == kPlayerStopped);
            CHECK(host.order.position == 0);
            CHECK(called("tip veltoCD / #1 停止中"));
        }
        SUBCASE("one track without repeat: stop")
        {
            AllTracksMode = 0;
            PlaybackHost host;
            takeUp(host);
            runUntil(host, 1, 1, 3000);
            CHECK(playedTracks().empty());
            CHECK(count("MCI_STOP") == 1);
            CHECK(host.state() == kPlayerStopped);
            CHECK(host.order.position == 0);
        }
        defaultSettings();
    }
}

TEST_CASE("a drive still spinning up is not taken for the end of the track")
{
    defaultSettings();
    simdrive::Disc disc = simdrive::discWithTracks({400, 400});
    disc.startDelayMs = 700;
    disc.startDelayStop = true;
    REQUIRE(simdrive::writeDisc(disc));
    PlaybackHost host;
    takeUp(host);
    runUntil(host, 1, 1, 600);
    CHECK(playedTracks().empty());
    runUntil(host, 1, 1, 3000);
    CHECK(playedTracks() == std::vector<int>{2});
}

TEST_CASE("stopping or replacing a play never counts as its end")
{
    defaultSettings();
    simdrive::Disc disc = simdrive::discWithTracks({300, 300, 300});
    disc.notifyEnd = true;
    REQUIRE(simdrive::writeDisc(disc));
    PlaybackHost host;
    takeUp(host);
    host.command(IDM_PLAY);  // supersedes the running play
    host.command(IDM_STOP);  // aborts the new one
    host.pump(800);
    host.tick();
    host.pump(200);
    CHECK(playedTracks() == std::vector<int>{1});
    CHECK(host.state() == kPlayerStopped);
}

TEST_CASE("previous and next, with their wraps")
{
    defaultSettings();
    REQUIRE(simdrive::writeDisc(simdrive::discWithTracks(std::vector<unsigned>(5, 5000))));
    PlaybackHost host;
    takeUp(host);

    host.command(IDM_NEXT);
    CHECK(host.order.position == 1);
    host.command(IDM_PREV);
    host.command(IDM_PREV);
    CHECK(host.order.position == 4);
    host.command(IDM_NEXT);
    CHECK(host.order.position == 0);
    CHECK(playedTracks() == std::vector<int>{2, 1, 5, 1});
    CHECK(called("tip veltoCD / #5 再生中"));

    SUBCASE("a wrap reshuffles when random play is on")
    {
        RandomPlay = 1;
        for (const int command : {IDM_PREV, IDM_NEXT}) {
            CAPTURE(command);
            SeedRandom(77);
            PlayOrder expected{};
            expected.TrackCount = 5;
            expected.Build();
            SeedRandom(77);
            simdrive::clearLog();
            host.command(command);
            CHECK(std::equal(expected.order, expected.order + 5, host.order.order));
            CHECK(playedTracks() == std::vector<int>{host.order.CurrentTrack()});
        }
        CHECK(host.order.position == 0);
    }
    defaultSettings();
}

TEST_CASE("switches and the commands the window keeps to itself")
{
    defaultSettings();
    REQUIRE(simdrive::writeDisc(simdrive::discWithTracks(std::vector<unsigned>(6, 5000))));
    PlaybackHost host;
    takeUp(host);
    uiCalls.clear();

    host.command(IDM_RANDOM);
    CHECK(RandomPlay == 1);
    CHECK(host.order.CurrentTrack() == 1);
    host.command(IDM_RANDOM);
    CHECK(RandomPlay == 0);
    CHECK(host.order.position == 0);
    host.command(IDM_AUTOREPEAT);
    CHECK(AutoRepeat == 1);
    host.command(IDM_AUTOREPEAT);
    CHECK(AutoRepeat == 0);
    host.command(IDM_ONETRACK);
    CHECK(AutoRepeat == 1);
    CHECK(AllTracksMode == 0);
    host.command(IDM_ALLTRACKS);
    CHECK(AllTracksMode == 1);
    CHECK(std::count(uiCalls.begin(), uiCalls.end(), "sync") == 6);
    // Switching random play does not interrupt the track.
    CHECK(playedTracks().empty());

    uiCalls.clear();
    host.command(IDM_TOPMOST);
    host.command(IDM_SETTINGS);
    host.command(IDOK);
    host.command(IDCANCEL);
    host.command(IDC_TRACKLIST, CBN_DROPDOWN);
    CHECK(uiCalls == std::vector<std::string>{"topmost 0", "settings", "tempo"});
    CHECK(simdrive::readLog().empty());

    host.controller.OnCommand(host.window(), IDM_EXIT, 0);
    MSG msg;
    CHECK(PeekMessageA(&msg, host.window(), WM_CLOSE, WM_CLOSE, PM_REMOVE));

    SUBCASE("choosing a track in the list plays it, wherever the shuffle put it")
    {
        for (const char* title : {"1", "2", "3", "4", "5", "6"}) {
            SendMessageA(host.trackList(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(title));
        }
        RandomPlay = 1;
        SeedRandom(3);
        host.order.Build();
        SendMessageA(host.trackList(), CB_SETCURSEL, 3, 0);
        host.command(IDC_TRACKLIST, CBN_SELCHANGE);
        CHECK(host.order.CurrentTrack() == 4);
        CHECK(playedTracks() == std::vector<int>{4});
    }
    defaultSettings();
}

TEST_CASE("failures: a refused play, a failing drive, no disc")
{
    defaultSettings();
    SUBCASE("a play the drive refuses is retried from a fresh start on the next tick")
    {
        simdrive::Disc disc = simdrive::discWithTracks({5000, 5000});
        disc.failPlay = true;
        REQUIRE(simdrive::writeDisc(disc));
        PlaybackHost host;
        host.tick();
        CHECK(host.state() == kPlayerError);
        simdrive::clearLog();
        host.tick();
        CHECK(count("MCI_OPEN") == 1);
        CHECK(count("MCI_PLAY") == 1);
        CHECK(host.state() == kPlayerError);
    }
    SUBCASE("a failure notification: state 0, then re-initialised on the next tick")
    {
        simdrive::Disc disc = simdrive::discWithTracks({5000, 5000, 5000});
        disc.failAfterMs = 150;
        REQUIRE(simdrive::writeDisc(disc));
        PlaybackHost host;
        takeUp(host);
        host.command(IDM_NEXT);
        host.pump(400);
        CHECK(host.state() == kPlayerError);
        CHECK(count("MCI_CLOSE") == 1);
        CHECK(count("MCI_OPEN") == 1);
        simdrive::clearLog();
        host.tick();
        CHECK(host.state() == kPlayerPlaying);
        CHECK(host.order.position == 0);
        CHECK(playedTracks() == std::vector<int>{1});
    }
    SUBCASE("commands without a disc are harmless")
    {
        REQUIRE(simdrive::writeDisc(simdrive::Disc{}));
        PlaybackHost host;
        host.tick();
        CHECK(host.state() == kPlayerNoDisc);
        host.command(IDM_PLAY);
        CHECK(host.state() == kPlayerError);
        host.tick();
        CHECK(host.state() == kPlayerNoDisc);
        host.command(IDM_NEXT);
        host.command(IDM_PREV);
        CHECK(host.state() == kPlayerError);
        host.command(IDM_STOP);
        CHECK(host.state() == kPlayerStopped);
        host.tick();
        CHECK(host.state() == kPlayerNoDisc);
        CHECK(count("MCI_PLAY") == 0);
    }
}

TEST_CASE("a stopped disc starts again after Whim seconds, and never with Whim 0")
{
    defaultSettings();
    REQUIRE(simdrive::writeDisc(simdrive::discWithTracks({5000, 5000})));
    PlaybackHost host;
    takeUp(host);

    SUBCASE("Whim 1")
    {
        Whim = 1;
        host.command(IDM_STOP);
        host.tick();
        host.pump(600);
        host.tick();
        CHECK(host.state() == kPlayerStopped);
        host.pump(500);
        host.tick();
        CHECK(host.state() == kPlayerPlaying);
        CHECK(playedTracks() == std::vector<int>{1});
    }
    SUBCASE("Whim 0")
    {
        Whim = 0;
        host.command(IDM_STOP);
        host.pump(1200);
        host.tick();
        CHECK(host.state() == kPlayerStopped);
        CHECK(playedTracks().empty());
    }
    defaultSettings();
}
