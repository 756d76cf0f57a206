// The stage as the screen shows it, started where the pictures are, and what many ticks
// leave behind.

#include "res/resource.h"
#include "support/support.h"

using namespace e2e;

namespace {

// The player's stage below its track list: pixels of the screen that differ from the stage
// picture, inside the figure's box and outside it.
std::pair<int, int> Differences(const Player& player, HDC picture)
{
    RECT list;  // in the window's client coordinates
    GetWindowRect(GetDlgItem(player.window, IDC_TRACKLIST), &list);
    MapWindowPoints(nullptr, player.window, reinterpret_cast<POINT*>(&list), 2);
    sim::Canvas shot(144, 104);
    driver::CaptureClient(player.window, shot.dc, 144, 104);
    std::pair<int, int> differing(0, 0);
    for (int y = list.bottom; y < 104; ++y) {
        for (int x = 0; x < 144; ++x) {
            const bool inBox = x >= 55 && x < 95 && y >= 40 && y < 100;
            (inBox ? differing.first : differing.second) += GetPixel(shot.dc, x, y) != GetPixel(picture, x + 3, y + 3);
        }
    }
    return differing;
}

}  // namespace

TEST_CASE("the stage with the figure and notes while playing, bare without a disc, repainted when uncovered")
{
    Session run(kPlaced, LongDisc(), "C:\\veltoCD");
    sim::Canvas picture(152, 112);
    HGDIOBJ old =
        SelectObject(picture.dc, LoadImageA(nullptr, "C:\\veltoCD\\stage.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    const auto bare = [&] { return Differences(run.player, picture.dc) == std::make_pair(0, 0); };
    // A few ticks on: the figure, and notes risen beside it.
    CHECK(sim::PumpUntil([&] { return Differences(run.player, picture.dc).first > 400; }, kTimeoutMs));
    CHECK(sim::PumpUntil([&] { return Differences(run.player, picture.dc).second > 30; }, kTimeoutMs));

    REQUIRE(cdsim::writeControl(sim::Disc{}));  // the log goes on, for the watch
    REQUIRE(run.log.WaitFor("MCI_CLOSE") != run.log.npos);
    CHECK(sim::PumpUntil(bare, kTimeoutMs));
    {
        Bystander cover(400, 300);
        REQUIRE(sim::PumpUntil([&] { return !bare(); }, kTimeoutMs));
    }
    CHECK(sim::PumpUntil(bare, kTimeoutMs));
    DeleteObject(SelectObject(picture.dc, old));
}

TEST_CASE("many ticks, driven fast, leave no memory behind")
{
    Session run(nullptr, LongDisc(), "C:\\veltoCD");
    SIZE_T before = 0;
    for (int round = 0; round < 2; ++round) {
        before = run.player.PrivateBytes();
        const size_t mark = run.log.lines.size();
        for (int i = 0; i < 300; ++i) PostMessageA(run.player.window, WM_TIMER, IDT_TICK, 0);
        const auto handled = [&] {
            run.log.Poll();
            return sim::countLines(run.log.lines, "MEDIA_PRESENT", mark) >= 300;
        };
        REQUIRE(sim::PumpUntil(handled, 60000));
    }
    CHECK(run.player.PrivateBytes() < before + 256 * 1024);  // Wine counts no GDI objects; memory shows a leak
}
