// The player at the display's scale (the prefix's dots per inch, set by the test's run): its
// size on the screen, the stage copied in blocks of whole pixels, and its menu.

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

TEST_CASE("the stage at the display's scale: its size, whole pixels, and the menu at the cursor")
{
    const UINT dpi = RealDpi();
    REQUIRE(dpi == sim::MeantDpi());
    // No disc: the bare stage, a known picture. Placed where the menu fits below the cursor.
    Session run("[GENERAL]\r\nWindowPosX=100\r\nWindowPosY=100\r\n", sim::Disc{}, "C:\\veltoCD");
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
    // A stage pixel for each of the screen's, by whole blocks where the scale is whole; at any
    // scale no colour the stage lacks.
    std::string wrong;  // the first pixel that is not as it should be
    const auto seen = [&] {
        driver::CaptureClient(run.player.window, shot.dc, client.right, client.bottom);
        wrong.clear();
        for (int y = list.bottom; y < client.bottom && wrong.empty(); ++y) {
            for (int x = 0; x < client.right && wrong.empty(); ++x) {
                const COLORREF pixel = GetPixel(shot.dc, x, y);
                const int scale = static_cast<int>(dpi / 96);
                const bool right = dpi % 96 == 0 ? pixel == GetPixel(picture.dc, x / scale + 3, y / scale + 3)
                                                 : stageColours.count(pixel) != 0;
                if (!right)
                    wrong = std::to_string(x) + "," + std::to_string(y) + ": " + std::to_string(pixel) + " not " +
                            std::to_string(GetPixel(picture.dc, x * 96 / static_cast<int>(dpi) + 3,
                                                    y * 96 / static_cast<int>(dpi) + 3)) +
                            " list " + std::to_string(list.bottom);
            }
        }
        return wrong.empty();
    };
    CHECK(sim::PumpUntil(seen, kTimeoutMs));
    CHECK(wrong == "");
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
