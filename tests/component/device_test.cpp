// The CD audio device's traffic through the real winmm to the simulated drive.
#include "playback/cd_audio_device.h"
#include "support/support.h"

#include <mmsystem.h>

TEST_CASE("open, close, a taken drive and a refused time format")
{
    sim::Disc disc = sim::discWithTracks(std::vector<uint32_t>(12, 2000));
    sim::Load(disc);
    CdAudioDevice device;
    CHECK(device.Open());
    CHECK(sim::commands(sim::readLog()) == "MCI_OPEN MCI_SET");
    CHECK(sim::countLines(sim::readLog(), "format=TMSF -> 0") == 1);
    // A failed open (the drive is taken) keeps the id it had: it must not adopt what the
    // platform leaves in the record, which may name the device that is open, or none.
    CdAudioDevice second;
    CHECK_FALSE(second.Open());
    disc.failOpen = true;
    sim::Load(disc);
    CHECK_FALSE(device.Open());
    sim::ClearLog();
    CHECK_FALSE(second.Close());
    CHECK(sim::readLog().empty());
    CHECK(device.Close());  // the device it had open is still its own to close
    CHECK(sim::commands(sim::readLog()) == "MCI_STOP MCI_CLOSE");
    disc.failOpen = false;
    disc.failTimeFormat = true;
    sim::Load(disc);
    CHECK_FALSE(device.Open());
    CHECK(sim::commands(sim::readLog()) == "MCI_OPEN MCI_SET MCI_STOP MCI_CLOSE");
}

TEST_CASE("the track count of no disc, a drive not ready, a disc; a play covers one track")
{
    sim::Load(sim::Disc{});
    CdAudioDevice device;
    REQUIRE(device.Open());
    HWND notify = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    device.NotifyTo(notify);
    sim::Disc disc = sim::discWithTracks(std::vector<uint32_t>(12, 2000));
    for (const int state : {0, 1, 2}) {  // no disc, a drive that is not ready, a disc
        CAPTURE(state);
        disc.present = state > 0;
        disc.ready = state > 1;
        sim::Load(disc);
        CHECK(device.TrackCount() == (state == 2 ? 12 : 0));
        CHECK(device.Play(5) == (state == 2));
        CHECK(sim::plays(sim::readLog()) == (state == 2 ? "5" : ""));
    }
    CHECK(sim::countLines(sim::readLog(), "MCI_NOTIFY|MCI_FROM|MCI_TO from=5:00:00:00 to=6:00:00:00 -> 0") == 1);
    CHECK(device.Mode() == MCI_MODE_PLAY);
    // The last track plays to the end of the disc; the new play ends the wait of the one before.
    CHECK(device.Play(12));
    CHECK(sim::countLines(sim::readLog(), "MCI_NOTIFY|MCI_FROM from=12:00:00:00 -> 0") == 1);
    CHECK(sim::countLines(sim::readLog(), "NOTIFY MCI_NOTIFY_ABORTED") == 1);
    CHECK_FALSE(device.Play(13));  // a track the disc lacks is not even asked for
    CHECK(sim::countLines(sim::readLog(), "from=13:") == 0);
    disc.failPlay = true;
    sim::Load(disc);
    CHECK_FALSE(device.Play(1));
    DestroyWindow(notify);
}

TEST_CASE("the table of contents: each track's start and kind and the lead-out read in MSF, then TMSF again")
{
    sim::Disc disc = sim::discWithTracks({60000, 30000, 45000, 20000});
    disc.dataTracks = {4};
    sim::Load(disc);
    CdAudioDevice device;
    REQUIRE(device.Open());
    TableOfContents toc = {};
    REQUIRE(device.ReadTableOfContents(toc));
    CHECK(toc.TrackCount == 4);
    // Frames from the start of the disc, its 2-second lead-in (150 frames) first.
    CHECK(std::vector<DWORD>(toc.TrackStart, toc.TrackStart + 4) == std::vector<DWORD>{150, 4650, 6900, 10275});
    CHECK(std::vector<bool>(toc.Audio, toc.Audio + 4) == std::vector<bool>{true, true, true, false});
    CHECK(toc.LeadOut == 11775);  // the last track's length, as the platform gives it, is a frame short
    CHECK(sim::countLines(sim::readLog(), "format=MSF -> 0") == 1);
    CHECK(sim::readLog().back().find("format=TMSF -> 0") != std::string::npos);
    // Without a disc nothing is read, and the device is back in TMSF all the same.
    sim::Load(sim::Disc{});
    CHECK_FALSE(device.ReadTableOfContents(toc));
    CHECK(sim::commands(sim::readLog()) == "MCI_SET MCI_SET");
    CHECK(sim::readLog().back().find("format=TMSF -> 0") != std::string::npos);
}
