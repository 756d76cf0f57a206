// The stage: the performer and the notes drawn into real device contexts and read back
// pixel by pixel, and the animation's exact use of the random generator.
#include <doctest/doctest.h>

#include <fstream>
#include <memory>

#include "common/random.h"
#include "playback/player_state.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "stage/note_swarm.h"
#include "stage/performer.h"
#include "stage/stage_view.h"
#include "support/sim_drive.h"

namespace {

// A stage whose pixels tell where they are, in a border that must never show; a sheet whose
// frames differ, each with a see-through pixel inside the figure, over rows never shown.
COLORREF StagePixel(int x, int y)
{
    return x < 3 || y < 3 || x > 146 || y > 106 ? RGB(255, 0, 255) : RGB(x, y, 99);
}
COLORREF SheetPixel(int x, int y)
{
    const int fx = x % 40;
    const bool figure = fx >= 10 && fx < 30 && y >= 5 && y < 55 && !(fx == 20 && y == 30);
    return y >= 60 ? RGB(255, 255, 255) : figure ? RGB(200, x / 40 * 30 + 10, 50) : 0;
}

// A 24-bit picture file, or only its first `keep` bytes.
void WritePicture(const std::string& path, int width, int height, COLORREF (*pixel)(int, int), size_t keep = ~size_t(0))
{
    const int stride = (width * 3 + 3) & ~3;
    const BITMAPINFOHEADER info = {sizeof info, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof info;
    const BITMAPFILEHEADER header = {0x4D42, static_cast<DWORD>(offset + stride * height), 0, 0, offset};
    std::string rows(static_cast<size_t>(stride * height), '\0');
    for (int i = 0; i < width * height; ++i) {  // bottom-up, blue first
        const COLORREF c = pixel(i % width, height - 1 - i / width);
        char* p = &rows[static_cast<size_t>(i / width * stride + i % width * 3)];
        p[0] = static_cast<char>(GetBValue(c)), p[1] = static_cast<char>(GetGValue(c)),
        p[2] = static_cast<char>(GetRValue(c));
    }
    const std::string file = std::string(reinterpret_cast<const char*>(&header), sizeof header) +
                             std::string(reinterpret_cast<const char*>(&info), sizeof info) + rows;
    std::ofstream(path, std::ios::binary) << file.substr(0, keep);
}

// A performer made while a folder holding these pictures (0 wide: none) is current; a stage
// picture can be cut short, or be no picture at all (-1 bytes).
std::unique_ptr<Performer> PerformerWith(const char* folder, SIZE stage, SIZE sheet, long stageBytes = 0)
{
    const std::string dir = std::string("C:\\") + folder;
    CreateDirectoryA(dir.c_str(), nullptr);
    if (stage.cx != 0)
        WritePicture(dir + "\\stage.bmp", stage.cx, stage.cy, StagePixel, stageBytes > 0 ? stageBytes : ~0u);
    if (stageBytes < 0) std::ofstream(dir + "\\stage.bmp") << "GIF89a, not a bitmap";
    if (sheet.cx != 0) WritePicture(dir + "\\velto.bmp", sheet.cx, sheet.cy, SheetPixel);
    SetCurrentDirectoryA(dir.c_str());
    std::unique_ptr<Performer> performer(new Performer);
    SetCurrentDirectoryA("C:\\");
    return performer;
}

// What the user must see: the stage from its picture's (3, 3), the frame at (55, 40).
sim::Picture Expected(int frame)
{
    return [frame](int x, int y) {
        const bool inBox = frame >= 0 && x >= 55 && x < 95 && y >= 40 && y < 100;
        const COLORREF figure = inBox ? SheetPixel(frame * 40 + x - 55, y - 40) : 0;
        return figure != 0 ? figure : StagePixel(x + 3, y + 3);
    };
}

Settings WithReverb(int reverb)
{
    Settings settings{};
    settings.Reverb = reverb;
    return settings;
}

}  // namespace

TEST_CASE("the stage from (3, 3), the figure at (55, 40) with black see-through, and bad pictures")
{
    struct Case {
        const char* folder;
        SIZE stage, sheet;
        bool stageShown, figureShown;
        long stageBytes;
    };
    const Case cases[] = {
        {"none", {0, 0}, {240, 105}, false, false, 0},   {"stage153", {153, 112}, {240, 105}, true, false, 0},
        {"nosheet", {152, 112}, {0, 0}, true, false, 0}, {"sheet104", {152, 112}, {240, 104}, true, false, 0},
        {"both", {152, 112}, {240, 105}, true, true, 0}, {"huge", {3000, 2000}, {240, 105}, true, false, 0},
        {"text", {0, 0}, {240, 105}, false, false, -1},  {"cut", {152, 112}, {240, 105}, true, true, 5000}};
    for (const Case& c : cases) {
        CAPTURE(c.folder);
        auto performer = PerformerWith(c.folder, c.stage, c.sheet, c.stageBytes);
        SeedRandom(1);
        for (const int frame : {4, 1}) {
            frame == 4 ? performer->Step() : performer->Rest();
            sim::Canvas canvas(144, 104);
            performer->Draw(canvas.dc);
            if (c.stageBytes > 0) continue;  // a cut picture: whatever the platform made of it, drawn without harm
            // Without a stage picture the stage is dark, and there is no figure.
            CHECK(canvas.Differences(c.stageShown ? Expected(c.figureShown ? frame : -1)
                                                  : [](int, int) { return 0ul; }) == "");
        }
    }
}

TEST_CASE("the dance and the notes draw from the generator exactly, the performer first")
{
    Settings settings = WithReverb(5);
    Performer performer;
    SeedRandom(1);
    std::vector<int> frames;
    for (int i = 0; i < 8; ++i) {
        performer.Step();
        frames.push_back(performer.Frame());
    }
    CHECK(frames == std::vector<int>{4, 3, 4, 5, 0, 1, 0, 5});
    CHECK(performer.StepsLeft() == 5);
    CHECK(performer.Direction() == -1);

    NoteSwarm notes(settings);
    SeedRandom(1);
    const NoteSlot expected[3][3] = {// {} for a slot still empty
                                     {{39, 57, -1, 5}},
                                     {{36, 50, -1, 5}, {98, 56, 1, 4}},
                                     {{34, 44, -1, 5}, {101, 49, 1, 4}, {98, 56, 1, 4}}};
    for (const auto& emitted : expected) {
        notes.Emit();
        for (int i = 0; i < 3; ++i) {
            CAPTURE(i);
            const NoteSlot& e = emitted[i];
            const NoteSlot seen = notes.Slot(i);
            // An empty slot keeps whatever place it had: only its glyph says it is empty.
            CHECK(seen.glyph == (e.dx == 0 ? -1 : e.glyph));
            if (e.dx == 0) continue;
            CHECK(seen.x == e.x);
            CHECK(seen.y == e.y);
            CHECK(seen.dx == e.dx);
        }
    }

    // The first tick while playing: 41 moves the performer, 18467 places the first note; a
    // repaint of its own then moves nothing and draws no number.
    Performer dancer;
    NoteSwarm fresh(settings);
    StageView view(dancer, fresh);
    HWND window =
        CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 144, 104, nullptr, nullptr, nullptr, nullptr);
    SeedRandom(1);
    view.Tick(window, kPlayerPlaying);
    CHECK(dancer.Frame() == 4);
    CHECK(fresh.Slot(0).x == 40);
    CHECK(fresh.Slot(0).y == 57);
    CHECK(fresh.Slot(0).glyph == 5);
    view.Paint(window);
    CHECK(NextRandom() == 6334);
    CHECK(dancer.Frame() == 4);
    const std::pair<int, int> states[] = {
        {kPlayerStopped, 1}, {kPlayerNoDisc, -1}, {kPlayerError, -1}, {kPlayerInitial, -1}};
    for (const auto& state : states) {
        CAPTURE(state.first);
        view.Tick(window, state.first);
        CHECK(dancer.Frame() == state.second);
    }
    CHECK(fresh.Current() == -1);
    DestroyWindow(window);
}

TEST_CASE("notes fade oldest first, vanish at once, and keep their slots while the ring is shorter")
{
    Settings settings = WithReverb(5);
    NoteSwarm notes(settings);
    const auto shown = [&] {
        std::string slots;
        for (int i = 0; i < 8; ++i) slots += notes.Slot(i).glyph != -1 ? '*' : '.';
        return slots;
    };
    for (int i = 0; i < 7; ++i) notes.Emit();
    CHECK(shown() == "*****...");
    for (const char* left : {"**.**...", "**..*...", "**......", ".*......", "........"}) {
        notes.Quiet();
        CHECK(shown() == left);
    }
    notes.Emit();
    notes.ClearIfActive();
    CHECK(shown() == "........");
    CHECK(notes.Current() == -1);
    notes.Emit();
    CHECK(shown() == "*.......");  // slot 0 after a clear

    settings.Reverb = 8;
    for (int i = 0; i < 7; ++i) notes.Emit();
    const NoteSlot kept = notes.Slot(6);
    settings.Reverb = 3;
    notes.Emit();
    notes.Emit();
    CHECK(notes.Slot(6).x == kept.x);
    CHECK(notes.Slot(6).y == kept.y);
    settings.Reverb = 8;
    notes.Emit();
    CHECK(shown() == "********");
    CHECK(notes.Slot(6).y < kept.y);
    // Whatever the settings held, the ring stays within its eight slots.
    for (const int odd : {0, -3, 9, 1000}) {
        CAPTURE(odd);
        settings.Reverb = odd;
        for (int i = 0; i < 9; ++i) {  // round the whole ring
            notes.Emit();
            CHECK(notes.Current() >= 0);
            CHECK(notes.Current() < 8);
        }
    }
}

TEST_CASE("a note is black for two ticks and then grey, its age counted round all eight slots")
{
    Settings settings = WithReverb(5);
    NoteSwarm notes(settings);
    sim::Canvas sheet(72, 39);
    HBITMAP glyphs = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_NOTES));
    HGDIOBJ old = SelectObject(sheet.dc, glyphs);
    // With five slots, a note in slot 4 is grey already on the tick after it came.
    SeedRandom(7);
    for (const std::string expected : {"B....", "BB...", "GBB..", "GGBB.", "GGGBB", "BGGGG", "BBGGG"}) {
        CAPTURE(expected);
        notes.Emit();
        sim::Canvas canvas(144, 104);
        notes.Draw(canvas.dc);
        // Each note's cell ANDed on white, from the black band (B) or the grey one (G).
        CHECK(canvas.Differences([&](int x, int y) {
            COLORREF c = RGB(255, 255, 255);
            for (int i = 0; i < 5; ++i) {
                const NoteSlot& n = notes.Slot(i);
                if ((expected[i] == '.') != (n.glyph == -1)) return COLORREF(CLR_INVALID);
                if (n.glyph != -1 && x >= n.x && x < n.x + 12 && y >= n.y && y < n.y + 19) {
                    c &= GetPixel(sheet.dc, n.glyph * 12 + x - n.x, (expected[i] == 'G' ? 19 : 0) + y - n.y);
                }
            }
            return c;
        }) == "");
    }
    SelectObject(sheet.dc, old);
    DeleteObject(glyphs);
}
