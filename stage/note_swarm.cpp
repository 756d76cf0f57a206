#include "stage/note_swarm.h"

#include "common/random.h"
#include "res/resource.h"

namespace {

const int kGlyphWidth = 12;
const int kGlyphHeight = 19;
const int kOlderBand = 19;  // the rows of the same glyphs in grey

}  // namespace

NoteSwarm::NoteSwarm(const Settings& settings, Random& random)
    : slots_(), current_(-1), settings_(settings), random_(random), glyphs_(nullptr)
{
    // The sheet comes from our own module, whoever made the swarm.
    glyphs_ = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_NOTES));
    Reset();
}

NoteSwarm::~NoteSwarm()
{
    sheet_.Release();
    if (glyphs_ != nullptr) {
        DeleteObject(glyphs_);
    }
}

// Reverb is clamped when it is read, but whatever it holds, the ring never divides by zero
// nor reaches past its last slot.
int NoteSwarm::RingLength() const
{
    return settings_.Reverb < kReverbMin ? kReverbMin : settings_.Reverb > kSlots ? kSlots : settings_.Reverb;
}

void NoteSwarm::Reset()
{
    current_ = -1;
    for (NoteSlot& slot : slots_) {
        slot.glyph = -1;
    }
}

void NoteSwarm::ClearIfActive()
{
    if (current_ != -1) {
        Reset();
    }
}

void NoteSwarm::Advance()
{
    const int length = RingLength();
    current_ = (current_ + 1) % length;
    for (int i = 0; i < length; ++i) {
        NoteSlot& slot = slots_[i];
        if (slot.glyph != -1) {
            // Back towards the figure by up to 4, or on by up to 8; up by 5..7.
            const int r = random_.NextRandom();
            slot.x += (r % 13 - 4) * slot.dx;
            slot.y -= 5 + r % 3;
        }
    }
}

void NoteSwarm::Emit()
{
    Advance();
    // One number places the note: beside the figure on the side it drifts to.
    const int r = random_.NextRandom();
    NoteSlot& slot = slots_[current_];
    slot.dx = r % 2 != 0 ? -1 : 1;
    slot.x = 66 + 28 * slot.dx + r % 5;
    slot.y = 55 + r % 3;
    slot.glyph = r % 6;
}

void NoteSwarm::Quiet()
{
    Advance();
    slots_[current_].glyph = -1;
}

void NoteSwarm::Draw(HDC target)
{
    if (glyphs_ == nullptr) {
        return;  // no sheet, no notes
    }
    HDC memory = sheet_.Holding(glyphs_, target);
    const int length = RingLength();
    for (int i = 0; i < length; ++i) {
        const NoteSlot& slot = slots_[i];
        if (slot.glyph != -1) {
            // The age counts round all eight slots, whatever the ring's length.
            const int age = (current_ - i + kSlots) % kSlots;
            BitBlt(target, slot.x, slot.y, kGlyphWidth, kGlyphHeight, memory, slot.glyph * kGlyphWidth,
                   age < 2 ? 0 : kOlderBand, SRCAND);
        }
    }
}
