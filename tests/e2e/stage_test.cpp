// The stage as the screen shows it, at the display's scale (the prefix's dots per inch, set by
// the test's run): its size, the stage copied in blocks of whole pixels, the figure and notes
// while playing, a repaint when uncovered, the menu at the cursor, and what many ticks leave.
#include <set>

#include "res/resource.h"
#include "support/support.h"

using namespace e2e;

namespace {

// This program sees the screen's real pixels, as the player does, not a scaled stand-in.
UINT RealDpi()
{
    using SetContext = BOOL(WINAPI*)(HANDLE);
    const auto set = reinterpret_cast<SetContext>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
    const bool found = set != nullptr;
    REQUIRE(found);
    REQUIRE(set(reinterpret_cast<HANDLE>(-4)));  // per monitor, the second form
    HDC screen = GetDC(nullptr);
    const UINT dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
    return dpi;
}

}  // namespace

TEST_CASE("the stage at the display's scale: its size, whole pixels, the dance, a repaint, and the menu")
{
    const UINT dpi = RealDpi();
    REQUIRE(dpi == sim::MeantDpi());
    Session run("[GENERAL]\r\nWindowPosX=100\r\nWindowPosY=100\r\n", LongDisc(), "C:\\veltoCD");
    RECT client;
    GetClientRect(run.player.window, &client);
    CHECK(client.right == MulDiv(144, dpi, 96));
    CHECK(client.bottom == MulDiv(104, dpi, 96));

    sim::Canvas picture(152, 112);
    HGDIOBJ old =
        SelectObject(picture.dc, LoadImageW(nullptr, L"C:\\veltoCD\\stage.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    std::set<COLORREF> stageColours;
    for (int i = 0; i < 144 * 104; ++i) stageColours.insert(GetPixel(picture.dc, i % 144 + 3, i / 144 + 3));
    RECT list;  // below it, the stage shows
    GetWindowRect(GetDlgItem(run.player.window, IDC_TRACKLIST), &list);
    MapWindowPoints(nullptr, run.player.window, reinterpret_cast<POINT*>(&list), 2);
    sim::Canvas shot(client.right, client.bottom);
    // Pixels of the screen that are not the stage's below the list, in the figure's box and
    // outside it; "" when the stage is bare: a stage pixel for each of the screen's, by whole
    // blocks where the scale is whole, at any scale no colour the stage lacks.
    int inBox = 0, outside = 0;
    std::string wrong;
    const auto look = [&] {
        driver::CaptureClient(run.player.window, shot.dc, client.right, client.bottom);
        inBox = outside = 0;
        wrong.clear();
        for (int y = list.bottom; y < client.bottom; ++y) {
            for (int x = 0; x < client.right; ++x) {
                const COLORREF pixel = GetPixel(shot.dc, x, y);
                const int sx = x * 96 / static_cast<int>(dpi), sy = y * 96 / static_cast<int>(dpi);
                const bool right =
                    dpi % 96 == 0 ? pixel == GetPixel(picture.dc, sx + 3, sy + 3) : stageColours.count(pixel) != 0;
                (sx >= 55 && sx < 95 && sy >= 40 && sy < 100 ? inBox : outside) += right ? 0 : 1;
                if (!right && wrong.empty()) wrong = std::to_string(x) + "," + std::to_string(y);
            }
        }
    };
    const auto bare = [&] {
        look();
        return wrong.empty();
    };
    const auto danced = [&] {
        look();
        return inBox > 400 * static_cast<int>(dpi * dpi / 9216);
    };
    const auto notesRose = [&] {
        look();
        return outside > 30;
    };
    // A few ticks on: the figure, and notes risen beside it; drawn over the stage as it is.
    CHECK(sim::PumpUntil(danced, kTimeoutMs));
    CHECK(sim::PumpUntil(notesRose, kTimeoutMs));
    REQUIRE(cdsim::writeControl(sim::Disc{}));  // no disc: the bare stage
    CHECK(sim::PumpUntil(bare, kTimeoutMs));
    CHECK(wrong == "");
    {
        Bystander cover(120, 120);
        REQUIRE(sim::PumpUntil([&] { return !bare(); }, kTimeoutMs));
    }
    CHECK(sim::PumpUntil(bare, kTimeoutMs));
    DeleteObject(SelectObject(picture.dc, old));

    POINT at = {client.right / 2, client.bottom * 3 / 4};
    ClientToScreen(run.player.window, &at);
    REQUIRE(ClickAt(at, true));
    std::vector<HWND> menus;
    REQUIRE(sim::PumpUntil([&] { return (menus = run.player.Shown("#32768")).size() == 1; }, kTimeoutMs));
    RECT menu;
    GetWindowRect(menus[0], &menu);
    CHECK(menu.left == at.x);
    CHECK(menu.top == at.y);
    REQUIRE(run.player.Press(VK_ESCAPE));
    CHECK(run.player.Close() == 0);
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
