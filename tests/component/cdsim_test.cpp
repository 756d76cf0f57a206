// The simulated drive itself, driven through the real winmm exactly as the player drives it:
// the platform's notification rules that the player's tests rely on.
#include <doctest/doctest.h>

#include <windows.h>
#include <mmsystem.h>

#include "support/sim_drive.h"

namespace {

using Statuses = std::vector<WPARAM>;
const DWORD kTrack1 = MCI_MAKE_TMSF(1, 0, 0, 0);
const DWORD kTrack2 = MCI_MAKE_TMSF(2, 0, 0, 0);

// An open cdaudio device in TMSF time on this disc, closed at the end of the scope.
struct Cd {
    explicit Cd(const sim::Disc& disc)
    {
        sim::Load(disc);
        MCI_OPEN_PARMSA open = {};
        open.lpstrDeviceType = "cdaudio";
        openError = mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&open));
        id = openError == 0 ? open.wDeviceID : 0;
        MCI_SET_PARMS set = {0, MCI_FORMAT_TMSF, 0};
        Send(MCI_SET, MCI_SET_TIME_FORMAT | MCI_WAIT, &set);
    }
    ~Cd() { Send(MCI_CLOSE, MCI_WAIT); }
    DWORD Send(UINT message, DWORD flags, void* parms = nullptr)
    {
        MCI_GENERIC_PARMS generic = {reinterpret_cast<DWORD_PTR>(notify.hwnd)};
        return mciSendCommandA(id, message, flags, reinterpret_cast<DWORD_PTR>(parms ? parms : &generic));
    }
    DWORD Status(DWORD item, DWORD flags = MCI_WAIT)
    {
        MCI_STATUS_PARMS status = {reinterpret_cast<DWORD_PTR>(notify.hwnd), 0, item, 0};
        return Send(MCI_STATUS, flags | MCI_STATUS_ITEM, &status) == 0 ? static_cast<DWORD>(status.dwReturn) : ~0u;
    }
    DWORD Play(DWORD from, DWORD to = 0)
    {
        MCI_PLAY_PARMS play = {reinterpret_cast<DWORD_PTR>(notify.hwnd), from, to};
        return Send(MCI_PLAY, MCI_NOTIFY | MCI_FROM | (to != 0 ? MCI_TO : 0), &play);
    }
    sim::NotifyWindow notify;
    DWORD openError;
    MCIDEVICEID id;
};

}  // namespace

TEST_CASE("commands reach the drive through winmm and are logged as received")
{
    {
        Cd cd(sim::discWithTracks({300, 400, 500}));
        CHECK(cd.Status(MCI_STATUS_NUMBER_OF_TRACKS) == 3);
        CHECK(cd.Status(MCI_STATUS_MODE) == MCI_MODE_STOP);
        CHECK(cd.Status(MCI_STATUS_POSITION) == kTrack1);
    }
    CHECK(sim::Log() == std::vector<std::string>{
        "MCI_OPEN MCI_WAIT|MCI_OPEN_TYPE type=cdaudio -> 0",
        "MCI_SET MCI_WAIT|MCI_SET_TIME_FORMAT format=TMSF -> 0",
        "MCI_STATUS MCI_WAIT|MCI_STATUS_ITEM item=MCI_STATUS_NUMBER_OF_TRACKS -> 0 return=3",
        "MCI_STATUS MCI_WAIT|MCI_STATUS_ITEM item=MCI_STATUS_MODE -> 0 return=MCI_MODE_STOP",
        "MCI_STATUS MCI_WAIT|MCI_STATUS_ITEM item=MCI_STATUS_POSITION -> 0 return=1:00:00:00",
        "MCI_CLOSE MCI_WAIT -> 0"});

    sim::Disc busy = sim::discWithTracks({300});
    busy.failOpen = true;
    CHECK(Cd(busy).openError == MCIERR_DEVICE_OPEN);
}

TEST_CASE("a play ends at its end, at an injected failure, or when the disc is taken out")
{
    struct Case {
        bool notifyEnd;
        uint32_t failAfterMs;
        bool takeOut;
        Statuses posted;
    };
    const Case cases[] = {
        {true, 0, false, {MCI_NOTIFY_SUCCESSFUL}},  // the old platform reports the end
        {false, 0, false, {}},                      // NT and Wine leave the notification waiting
        {false, 150, false, {MCI_NOTIFY_FAILURE}},
        {true, 0, true, {MCI_NOTIFY_FAILURE}},
        {false, 0, true, {}},
    };
    for (const Case& c : cases) {
        CAPTURE(c.failAfterMs);
        CAPTURE(c.takeOut);
        sim::Disc disc = sim::discWithTracks({c.takeOut ? 5000u : 300u, 300});
        disc.notifyEnd = c.notifyEnd;
        disc.failAfterMs = c.failAfterMs;
        Cd cd(disc);
        REQUIRE(cd.Play(kTrack1, kTrack2) == 0);
        CHECK(cd.Status(MCI_STATUS_MODE) == MCI_MODE_PLAY);
        if (c.takeOut) {
            disc.present = false;
            REQUIRE(sim::WriteControl(cdsim::formatControl(disc)));
            CHECK(cd.Status(MCI_STATUS_MODE) == MCI_MODE_OPEN);
        }
        CHECK(cd.notify.Take(600) == c.posted);
        CHECK(cd.Status(MCI_STATUS_MODE) == (c.takeOut ? MCI_MODE_OPEN : MCI_MODE_STOP));
    }
}

TEST_CASE("the next command ends a waiting play notification")
{
    struct Case {
        UINT message;
        DWORD flags;
        Statuses posted;
        DWORD modeAfter;
    };
    const Case cases[] = {
        {MCI_PLAY, MCI_NOTIFY, {MCI_NOTIFY_ABORTED}, MCI_MODE_PLAY},
        {MCI_STOP, MCI_WAIT, {MCI_NOTIFY_ABORTED}, MCI_MODE_STOP},
        {MCI_STOP, MCI_NOTIFY, {MCI_NOTIFY_ABORTED, MCI_NOTIFY_SUCCESSFUL}, MCI_MODE_STOP},
        {MCI_STATUS, MCI_NOTIFY, {MCI_NOTIFY_SUPERSEDED, MCI_NOTIFY_SUCCESSFUL}, MCI_MODE_PLAY},
        {MCI_STATUS, MCI_WAIT, {}, MCI_MODE_PLAY},
    };
    for (const Case& c : cases) {
        CAPTURE(c.message);
        CAPTURE(c.flags);
        Cd cd(sim::discWithTracks({5000, 5000}));
        REQUIRE(cd.Play(kTrack1, kTrack2) == 0);
        if (c.message == MCI_PLAY) {
            REQUIRE(cd.Play(kTrack2) == 0);
        } else if (c.message == MCI_STATUS) {
            REQUIRE(cd.Status(MCI_STATUS_MODE, c.flags) == MCI_MODE_PLAY);
        } else {
            REQUIRE(cd.Send(c.message, c.flags) == 0);
        }
        CHECK(cd.notify.Take(50) == c.posted);
        CHECK(cd.Status(MCI_STATUS_MODE) == c.modeAfter);
    }
}

TEST_CASE("a slow start, a refused play, and a close while playing")
{
    sim::Disc disc = sim::discWithTracks({300, 300});
    disc.startDelayMs = 200;
    disc.startDelayMode = cdsim::DelayMode::Stop;
    {
        Cd cd(disc);
        REQUIRE(cd.Play(kTrack1, kTrack2) == 0);
        CHECK(cd.Status(MCI_STATUS_MODE) == MCI_MODE_STOP);
        CHECK(sim::PumpUntil([&] { return cd.Status(MCI_STATUS_MODE) == MCI_MODE_PLAY; }, 3000));

        disc.failPlay = true;
        REQUIRE(sim::WriteControl(cdsim::formatControl(disc)));
        CHECK(cd.Play(kTrack2) == MCIERR_HARDWARE);
        CHECK(cd.Status(MCI_STATUS_MODE) == MCI_MODE_PLAY);
        CHECK(cd.notify.Take(0).empty());
    }
    // Closed mid-play, the driver is unloaded: its completion thread has been joined.
    CHECK(GetModuleHandleA("cdsim.dll") == nullptr);
    CHECK(sim::Log().back() == "NOTIFY MCI_NOTIFY_ABORTED");
}

TEST_CASE("a missing or malformed control file means an empty drive")
{
    Cd cd(sim::discWithTracks({300}));
    REQUIRE(cd.Status(MCI_STATUS_MEDIA_PRESENT) == TRUE);
    const std::string malformed[] = {"", "present=1\ntracks=300\nvolume=5\n", "present=1\ntracks=300\nnotify_end\n",
        "present=1\ntracks=300,-300\n", "present=1\n", "present=1\ntracks=300\n" + std::string(70000, '#') + "\n"};
    for (const std::string& text : malformed) {
        REQUIRE(sim::WriteControl(text));
        CHECK(cd.Status(MCI_STATUS_MEDIA_PRESENT) == FALSE);
    }
}
