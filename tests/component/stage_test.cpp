// The stage: the performer and the notes drawn into real device contexts and read back
// pixel by pixel, and the animation's exact use of the random generator.
#include <fstream>
#include <memory>

#include "common/random.h"
#include "playback/player_state.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "stage/note_swarm.h"
#include "stage/performer.h"
#include "stage/stage_view.h"
#include "support/support.h"

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
std::unique_ptr<Performer> PerformerWith(Random& random, const char* folder, SIZE stage, SIZE sheet,
                                         long stageBytes = 0)
{
    const std::string dir = std::string("C:\\") + folder;
    CreateDirectoryA(dir.c_str(), nullptr);
    if (stage.cx != 0)
        WritePicture(dir + "\\stage.bmp", stage.cx, stage.cy, StagePixel, stageBytes > 0 ? stageBytes : ~0u);
    if (stageBytes < 0) std::ofstream(dir + "\\stage.bmp") << "GIF89a, not a bitmap";
    if (sheet.cx != 0) WritePicture(dir + "\\velto.bmp", sheet.cx, sheet.cy, SheetPixel);
    SetCurrentDirectoryA(dir.c_str());
    std::unique_ptr<Performer> performer(new Performer(random));
    SetCurrentDirectoryA("C:\\");
    return performer;
}

// What the user must see: the stage from its picture's (3, 3) (or anything, for a stage
// picture that is cut short), the frame at (55, 40).
sim::Picture Expected(int frame, bool stageWhole)
{
    return [=](int x, int y) {
        const bool inBox = frame >= 0 && x >= 55 && x < 95 && y >= 40 && y < 100;
        const COLORREF figure = inBox ? SheetPixel(frame * 40 + x - 55, y - 40) : 0;
        return figure != 0 ? figure : stageWhole ? StagePixel(x + 3, y + 3) : CLR_INVALID;
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
        Random random;  // seeded with 1, its first step shows frame 4
        auto performer = PerformerWith(random, c.folder, c.stage, c.sheet, c.stageBytes);
        for (const int frame : {4, 1}) {
            frame == 4 ? performer->Step() : performer->Rest();
            sim::Canvas canvas(144, 104);
            performer->Draw(canvas.dc);
            // Without a stage picture the stage is dark, and there is no figure. Of a cut one the
            // platform makes what it can, and the figure dances on it.
            CHECK(canvas.Differences(c.stageShown ? Expected(c.figureShown ? frame : -1, c.stageBytes == 0)
                                                  : [](int, int) { return 0ul; }) == "");
        }
    }
}

TEST_CASE("the figure dances while playing, rests when stopped, and is gone without a disc")
{
    Settings settings = WithReverb(5);
    Random random;
    Performer figure(random);
    NoteSwarm notes(settings, random);
    StageView stage(figure, notes);
    const std::pair<int, int> states[] = {
        {kPlayerPlaying, 4}, {kPlayerStopped, 1}, {kPlayerNoDisc, -1}, {kPlayerError, -1}, {kPlayerInitial, -1}};
    for (const auto& state : states) {
        CAPTURE(state.first);
        stage.Step(state.first);
        CHECK(figure.Frame() == state.second);  // seeded with 1, the first step is to frame 4
    }
    CHECK(notes.Current() == -1);  // the note of the play gone again
}

TEST_CASE("notes fade oldest first and vanish at once; the ring keeps to its slots whatever Reverb holds")
{
    Settings settings = WithReverb(5);
    Random random;
    NoteSwarm notes(settings, random);
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
    Random random(7);
    NoteSwarm notes(settings, random);
    sim::Canvas sheet(72, 39);
    HBITMAP glyphs = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_NOTES));
    HGDIOBJ old = SelectObject(sheet.dc, glyphs);
    // With five slots, a note in slot 4 is grey already on the tick after it came.
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
                if ((expected[i] == '.') != (n.glyph == -1)) return RGB(1, 2, 3);  // no pixel is: a slot is wrong
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
