#include "stage/performer.h"

#include "common/random.h"
#include "stage/stage_size.h"

namespace {

// The sprite sheet: six frames of 40 x 60 side by side, pure black see-through.
const int kFrameWidth = 40;
const int kFrameHeight = 60;
const int kSheetWidth = 240;
const int kSheetHeight = 105;
const int kFigureX = 55;
// The stage picture, of which the stage shows the part from (3, 3) on.
const int kPictureWidth = 152;
const int kPictureHeight = 112;
const int kFigureY = 40;

// A picture file of exactly this size, or nothing. A wrongly sized one stays loaded, since
// the stage is shown even then; its owner deletes it.
HBITMAP LoadPicture(const wchar_t* fileName, int width, int height, bool* rightSize)
{
    HBITMAP picture = static_cast<HBITMAP>(LoadImageW(nullptr, fileName, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    BITMAP info = {};
    *rightSize = picture != nullptr && GetObjectW(picture, sizeof info, &info) == sizeof info &&
                 info.bmWidth == width && info.bmHeight == height;
    return picture;
}

// A 1-bit mask of the sheet: white where the sheet is pure black, black on the figure.
HBITMAP MakeMask(HBITMAP sprite)
{
    HBITMAP mask = CreateBitmap(kSheetWidth, kSheetHeight, 1, 1, nullptr);
    HDC screen = GetDC(nullptr);
    HDC source = CreateCompatibleDC(screen);
    HDC target = CreateCompatibleDC(screen);
    HGDIOBJ oldSource = SelectObject(source, sprite);
    HGDIOBJ oldTarget = SelectObject(target, mask);
    // Colour to monochrome: pixels of the source's background colour become 1 bits.
    SetBkColor(source, RGB(0, 0, 0));
    BitBlt(target, 0, 0, kSheetWidth, kSheetHeight, source, 0, 0, SRCCOPY);
    SelectObject(source, oldSource);
    SelectObject(target, oldTarget);
    DeleteDC(source);
    DeleteDC(target);
    ReleaseDC(nullptr, screen);
    return mask;
}

}  // namespace

Performer::Performer(Random& random)
    : frame_(-1), stepsLeft_(0), direction_(1), random_(random), stage_(nullptr), sprite_(nullptr), mask_(nullptr)
{
    LoadPictures();
}

Performer::~Performer()
{
    pictures_.Release();
    const HBITMAP bitmaps[] = {stage_, sprite_, mask_};
    for (HBITMAP bitmap : bitmaps) {
        if (bitmap != nullptr) {
            DeleteObject(bitmap);
        }
    }
}

void Performer::LoadPictures()
{
    // Each step needs the one before: a stage of the wrong size is still shown, but the
    // figure is then not even looked for.
    bool rightSize = false;
    stage_ = LoadPicture(L"stage.bmp", kPictureWidth, kPictureHeight, &rightSize);
    if (!rightSize) {
        return;
    }
    sprite_ = LoadPicture(L"velto.bmp", kSheetWidth, kSheetHeight, &rightSize);
    if (rightSize) {
        mask_ = MakeMask(sprite_);
    }
}

void Performer::Draw(HDC target)
{
    if (stage_ == nullptr) {
        // Without its picture the stage stays dark, and there is no figure without a stage.
        PatBlt(target, 0, 0, kStageWidth, kStageHeight, BLACKNESS);
        return;
    }
    HDC memory = pictures_.Holding(stage_, target);
    BitBlt(target, 0, 0, kStageWidth, kStageHeight, memory, 3, 3, SRCCOPY);
    if (frame_ != -1 && mask_ != nullptr) {
        // The mask blackens the figure's place; the sheet's black pixels then add nothing.
        pictures_.Holding(mask_, target);
        BitBlt(target, kFigureX, kFigureY, kFrameWidth, kFrameHeight, memory, frame_ * kFrameWidth, 0, SRCAND);
        pictures_.Holding(sprite_, target);
        BitBlt(target, kFigureX, kFigureY, kFrameWidth, kFrameHeight, memory, frame_ * kFrameWidth, 0, SRCPAINT);
    }
}

void Performer::Step()
{
    // A run of 1..8 frames, each run the other way round from the last.
    if (stepsLeft_ == 0) {
        stepsLeft_ = random_.NextRandom() % 8 + 1;
        direction_ = -direction_;
    }
    frame_ = (direction_ + frame_ + 6) % 6;
    --stepsLeft_;
}

void Performer::Rest()
{
    frame_ = 1;
}

void Performer::Hide()
{
    frame_ = -1;
}
