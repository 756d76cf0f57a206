// The CD audio device's MCI traffic through the real winmm to the simulated drive, the
// play order and the random generator.
#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "common/random.h"
#include "playback/cd_audio_device.h"
#include "playback/play_order.h"
#include "settings/settings.h"
#include "support/sim_drive.h"

namespace {

// The command names of the log, in order ("MCI_OPEN", "MCI_SET", ...).
std::vector<std::string> commands()
{
    std::vector<std::string> names;
    for (const std::string& line : simdrive::readLog()) {
        if (line.rfind("MCI_", 0) == 0) {
            names.push_back(line.substr(0, line.find(' ')));
        }
    }
    return names;
}

std::vector<std::string> linesOf(const std::string& command)
{
    std::vector<std::string> lines;
    for (const std::string& line : simdrive::readLog()) {
        if (line.rfind(command + " ", 0) == 0) {
            lines.push_back(line);
        }
    }
    return lines;
}

bool has(const std::string& line, const std::string& part)
{
    return line.find(part) != std::string::npos;
}

simdrive::Disc twelveTracks()
{
    return simdrive::discWithTracks(std::vector<unsigned>(12, 2000));
}

}  // namespace

TEST_CASE("opening the device sets TMSF time and a failed set closes it again")
{
    simdrive::Disc disc = twelveTracks();
    SUBCASE("open")
    {
        REQUIRE(simdrive::writeDisc(disc));
        simdrive::clearLog();
        CdAudioDevice device;
        CHECK(device.Open() == 2);
        CHECK(commands() == std::vector<std::string>{"MCI_OPEN", "MCI_SET"});
        CHECK(has(linesOf("MCI_OPEN").at(0), "type=cdaudio"));
        CHECK(has(linesOf("MCI_SET").at(0), "format=TMSF"));

        simdrive::clearLog();
        CHECK(device.Close() == 0);
        CHECK(commands() == std::vector<std::string>{"MCI_STOP", "MCI_CLOSE"});
        // Closing does not forget the id; a closed device is simply not answered.
        simdrive::clearLog();
        CHECK(device.Stop() == 2);
        CHECK(device.Close() == 0);
        CHECK(commands().empty());
    }
    SUBCASE("time format refused")
    {
        disc.failTimeFormat = true;
        REQUIRE(simdrive::writeDisc(disc));
        simdrive::clearLog();
        CdAudioDevice device;
        CHECK(device.Open() == 0);
        CHECK(commands() == std::vector<std::string>{"MCI_OPEN", "MCI_SET", "MCI_STOP", "MCI_CLOSE"});
    }
    SUBCASE("a failed open keeps the device that was open")
    {
        REQUIRE(simdrive::writeDisc(disc));
        CdAudioDevice device;
        REQUIRE(device.Open() == 2);
        disc.failOpen = true;
        REQUIRE(simdrive::writeDisc(disc));
        CHECK(device.Open() == 0);
        simdrive::clearLog();
        CHECK(device.Stop() == 2);
        CHECK(commands() == std::vector<std::string>{"MCI_STOP"});
    }
}

TEST_CASE("track count asks only as far as the drive says yes")
{
    CdAudioDevice device;
    SUBCASE("no disc: one query, and play sends nothing")
    {
        REQUIRE(simdrive::writeDisc(simdrive::Disc{}));
        REQUIRE(device.Open() == 2);
        simdrive::clearLog();
        CHECK(device.TrackCount() == 0);
        const auto status = linesOf("MCI_STATUS");
        REQUIRE(status.size() == 1);
        CHECK(has(status[0], "MCI_STATUS_MEDIA_PRESENT"));

        simdrive::clearLog();
        CHECK(device.Play(nullptr, 1) == 0);
        CHECK(linesOf("MCI_PLAY").empty());
    }
    SUBCASE("a disc in a drive that is not ready")
    {
        simdrive::Disc disc = twelveTracks();
        disc.ready = false;
        REQUIRE(simdrive::writeDisc(disc));
        REQUIRE(device.Open() == 2);
        simdrive::clearLog();
        CHECK(device.TrackCount() == 0);
        CHECK(linesOf("MCI_STATUS").size() == 2);
    }
    SUBCASE("a disc")
    {
        REQUIRE(simdrive::writeDisc(twelveTracks()));
        REQUIRE(device.Open() == 2);
        simdrive::clearLog();
        CHECK(device.TrackCount() == 12);
        const auto status = linesOf("MCI_STATUS");
        REQUIRE(status.size() == 3);
        CHECK(has(status[2], "MCI_STATUS_NUMBER_OF_TRACKS"));
    }
}

TEST_CASE("play covers exactly one track, the last one to the end of the disc")
{
    REQUIRE(simdrive::writeDisc(twelveTracks()));
    CdAudioDevice device;
    REQUIRE(device.Open() == 2);
    simdrive::NotifyWindow notify;

    simdrive::clearLog();
    CHECK(device.Play(notify.hwnd(), 5) == 1);
    auto plays = linesOf("MCI_PLAY");
    REQUIRE(plays.size() == 1);
    CHECK(has(plays[0], "MCI_NOTIFY|MCI_FROM|MCI_TO from=5:00:00:00 to=6:00:00:00 -> 0"));
    CHECK(device.Mode() == MCI_MODE_PLAY);

    simdrive::clearLog();
    CHECK(device.Play(notify.hwnd(), 12) == 1);
    plays = linesOf("MCI_PLAY");
    REQUIRE(plays.size() == 1);
    CHECK(has(plays[0], "MCI_NOTIFY|MCI_FROM from=12:00:00:00 -> 0"));
    // The new play ended the first one's wait for its notification.
    CHECK(notify.statuses(200) == std::vector<WPARAM>{MCI_NOTIFY_ABORTED});

    simdrive::Disc refusing = twelveTracks();
    refusing.failPlay = true;
    REQUIRE(simdrive::writeDisc(refusing));
    CHECK(device.Play(notify.hwnd(), 1) == 0);
}

TEST_CASE("the generator's exact sequence")
{
    SeedRandom(1);
    CHECK(NextRandom() == 41);
    CHECK(NextRandom() == 18467);
    CHECK(NextRandom() == 6334);
    SeedRandom(0xFFFFFFFFu);
    for (int i = 0; i < 1000; ++i) {
        const int value = NextRandom();
        REQUIRE(value >= 0);
        REQUIRE(value <= 32767);
    }
}

TEST_CASE("the play order")
{
    PlayOrder order{};
    RandomPlay = 0;

    SUBCASE("natural order, byte by byte")
    {
        order.TrackCount = 12;
        order.Build();
        for (int i = 0; i < 255; ++i) {
            REQUIRE(order.order[i] == i + 1);
        }
        CHECK(order.order[255] == 0);
        CHECK(order.Seek(7) == 6);
        CHECK(order.position == 6);
        // A track not on the disc puts the position at the start.
        CHECK(order.Seek(13) == 0);
        CHECK(order.position == 0);
    }

    SUBCASE("a shuffle is a permutation and draws three numbers per track")
    {
        RandomPlay = 1;
        order.TrackCount = 12;
        SeedRandom(99);
        order.Build();
        std::vector<int> seen(13, 0);
        for (int i = 0; i < 12; ++i) {
            REQUIRE(order.order[i] >= 1);
            REQUIRE(order.order[i] <= 12);
            ++seen[order.order[i]];
        }
        CHECK(seen == std::vector<int>{0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
        CHECK(order.order[12] == 13);

        const int afterShuffle = NextRandom();
        SeedRandom(99);
        for (int i = 0; i < 36; ++i) {
            NextRandom();
        }
        CHECK(NextRandom() == afterShuffle);
    }

    SUBCASE("no disc draws nothing; one track swaps with itself")
    {
        RandomPlay = 1;
        SeedRandom(5);
        order.Build();
        CHECK(order.order[0] == 1);
        const int next = NextRandom();
        SeedRandom(5);
        CHECK(NextRandom() == next);

        order.TrackCount = 1;
        order.Build();
        CHECK(order.order[0] == 1);
    }

    SUBCASE("random on and off again keeps the track")
    {
        order.TrackCount = 12;
        order.Build();
        order.position = 4;
        SeedRandom(12345);
        RandomPlay = 1;
        order.RandomOn();
        CHECK(order.CurrentTrack() == 5);
        RandomPlay = 0;
        order.RandomOff();
        CHECK(order.position == 4);
        CHECK(order.CurrentTrack() == 5);
        CHECK(order.order[11] == 12);
    }
    RandomPlay = 0;
}
