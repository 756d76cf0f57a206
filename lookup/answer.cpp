#include "lookup/answer.h"

// The JSON scanner: Debian's header-only jsmn, kept to this file, strict and with each token's
// parent, so that a text that is not JSON is refused and the structure can be checked.
#define JSMN_STATIC
#define JSMN_STRICT
#define JSMN_PARENT_LINKS
#include <jsmn.h>

#include "common/text.h"

namespace {

void* Allocate(SIZE_T bytes)
{
    return HeapAlloc(GetProcessHeap(), 0, bytes);
}

void Free(void* block)
{
    if (block != nullptr) {
        HeapFree(GetProcessHeap(), 0, block);
    }
}

int HexValue(char c)
{
    return c >= '0' && c <= '9'   ? c - '0'
           : c >= 'a' && c <= 'f' ? c - 'a' + 10
           : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                  : -1;
}

// The \uXXXX at p (end bounds the string), -1 if there is none.
int Escaped(const char* p, const char* end)
{
    if (end - p < 6 || p[0] != '\\' || p[1] != 'u') {
        return -1;
    }
    int unit = 0;
    for (int i = 2; i < 6; ++i) {
        const int digit = HexValue(p[i]);
        if (digit < 0) {
            return -1;
        }
        unit = unit * 16 + digit;
    }
    return unit;
}

}  // namespace

// One reading: the tokens of the text, the scratch a string is decoded into, and the store the
// kept texts go to.
struct LookupAnswer::Reader {
    const char* json;
    jsmntok_t* tokens;
    int count;
    wchar_t* scratch;
    int scratchSize;
    int scratchLength;
    wchar_t* texts;
    int textsSize;
    int textsUsed;

    bool Is(int i, jsmntype_t type) const { return i >= 0 && tokens[i].type == type; }

    // The token's raw text is exactly this (names and disc IDs have nothing to unescape).
    bool Equals(int i, const char* text) const
    {
        int k = 0;
        for (; tokens[i].start + k < tokens[i].end; ++k) {
            if (text[k] != json[tokens[i].start + k]) {
                return false;
            }
        }
        return text[k] == '\0';
    }

    // Missing, null or a string: the API leaves out or nulls what it does not know.
    bool IsOptionalText(int i) const
    {
        return i < 0 || Is(i, JSMN_STRING) || (Is(i, JSMN_PRIMITIVE) && Equals(i, "null"));
    }

    // A whole number of up to nine digits.
    bool Number(int i, int& value) const
    {
        if (!Is(i, JSMN_PRIMITIVE) || tokens[i].end - tokens[i].start > 9) {
            return false;
        }
        value = 0;
        for (int k = tokens[i].start; k < tokens[i].end; ++k) {
            if (json[k] < '0' || json[k] > '9') {
                return false;
            }
            value = value * 10 + (json[k] - '0');
        }
        return true;
    }

    // The token after i and everything inside it.
    int Skip(int i) const
    {
        int next = i + 1;
        while (next < count && tokens[next].start < tokens[i].end) {
            ++next;
        }
        return next;
    }

    // The value of an object's member, -1 if it has none (or is not an object).
    int Member(int object, const char* name) const
    {
        if (!Is(object, JSMN_OBJECT)) {
            return -1;
        }
        int key = object + 1;
        for (int n = 0; n < tokens[object].size; ++n) {
            if (Equals(key, name)) {
                return key + 1;
            }
            key = Skip(key + 1);
        }
        return -1;
    }

    // Every member's key is a string with one value; arrays and objects hold values only.
    bool WellFormed() const
    {
        for (int i = 0; i < count; ++i) {
            const int parent = tokens[i].parent;
            const bool key = parent >= 0 && tokens[parent].type == JSMN_OBJECT;
            if ((parent < 0 && i != 0) || (parent >= 0 && tokens[parent].type == JSMN_PRIMITIVE) ||
                (key && (tokens[i].type != JSMN_STRING || tokens[i].size != 1)) ||
                (!key && (tokens[i].type == JSMN_STRING || tokens[i].type == JSMN_PRIMITIVE) && tokens[i].size != 0)) {
                return false;
            }
        }
        return count > 0 && tokens[0].type == JSMN_OBJECT;
    }

    void Put(wchar_t unit)
    {
        if (scratchLength < scratchSize - 1) {
            scratch[scratchLength++] = unit;
        }
    }

    // Appends string token i to the scratch, its escapes undone and its UTF-8 made UTF-16. No
    // text grows in units what it took in bytes, so the scratch, as long as the answer, holds it.
    bool Decode(int i)
    {
        const char* p = json + tokens[i].start;
        const char* end = json + tokens[i].end;
        while (p < end) {
            if (*p != '\\') {
                const char* run = p;
                while (p < end && *p != '\\') {
                    ++p;
                }
                const int made = MultiByteToWideChar(CP_UTF8, 0, run, static_cast<int>(p - run),
                                                     scratch + scratchLength, scratchSize - scratchLength);
                if (made <= 0) {
                    return false;
                }
                scratchLength += made;
                continue;
            }
            if (end - p < 2) {
                return false;
            }
            switch (p[1]) {
            case '"':
            case '\\':
            case '/':
                Put(p[1]);
                break;
            case 'b':
                Put(L'\b');
                break;
            case 'f':
                Put(L'\f');
                break;
            case 'n':
                Put(L'\n');
                break;
            case 'r':
                Put(L'\r');
                break;
            case 't':
                Put(L'\t');
                break;
            case 'u': {
                const int unit = Escaped(p, end);
                const int low = Escaped(p + 6, end);
                if (unit < 0) {
                    return false;
                }
                if (IS_HIGH_SURROGATE(unit) && low >= 0 && IS_LOW_SURROGATE(low)) {
                    Put(static_cast<wchar_t>(unit));
                    Put(static_cast<wchar_t>(low));
                    p += 6;
                } else {
                    // Half a pair, or a NUL that would end the text early, stands for a character lost.
                    Put(static_cast<wchar_t>(unit == 0 || (unit >= 0xD800 && unit <= 0xDFFF) ? 0xFFFD : unit));
                }
                p += 4;
                break;
            }
            default:
                return false;
            }
            p += 2;
        }
        return true;
    }

    // Keeps the scratch's text, cut to a field's size, and empties the scratch: its offset.
    int Keep()
    {
        // A text is one line: a file of lines keeps no line break of a title.
        for (int i = 0; i < scratchLength; ++i) {
            scratch[i] = scratch[i] == L'\r' || scratch[i] == L'\n' ? L' ' : scratch[i];
        }
        scratch[scratchLength] = L'\0';
        scratchLength = 0;
        if (scratch[0] == L'\0') {
            return 0;
        }
        const int room = textsSize - textsUsed < kTextSize ? textsSize - textsUsed : kTextSize;
        const int offset = textsUsed;
        textsUsed += CopyText(texts + offset, room, scratch) + 1;
        return offset;
    }

    // The text of an optional member: its offset, 0 for none.
    bool KeepOptional(int i, int& offset)
    {
        if (!IsOptionalText(i)) {
            return false;
        }
        if (Is(i, JSMN_STRING) && !Decode(i)) {
            return false;
        }
        offset = Keep();
        return true;
    }

    bool ReadArtist(int credit, int& offset)
    {
        if (credit >= 0 && !Is(credit, JSMN_ARRAY)) {
            return false;
        }
        for (int n = 0, part = credit + 1; credit >= 0 && n < tokens[credit].size; ++n, part = Skip(part)) {
            const int name = Member(part, "name");
            const int join = Member(part, "joinphrase");
            if (!Is(name, JSMN_STRING) || !IsOptionalText(join) || !Decode(name) ||
                (Is(join, JSMN_STRING) && !Decode(join))) {
                return false;
            }
        }
        offset = Keep();
        return true;
    }

    // The medium that is this disc: the first to list its disc ID, else the first with as many
    // tracks. -1 if none is; -2 if the media are not what the API gives.
    int ChooseMedium(int media, const LookupDiscId& disc) const
    {
        int byCount = -1;
        for (int n = 0, medium = media + 1; n < tokens[media].size; ++n, medium = Skip(medium)) {
            const int discs = Member(medium, "discs");
            const int tracks = Member(medium, "tracks");
            const int counted = Member(medium, "track-count");
            int trackCount = Is(tracks, JSMN_ARRAY) ? tokens[tracks].size : 0;
            if (!Is(medium, JSMN_OBJECT) || (discs >= 0 && !Is(discs, JSMN_ARRAY)) ||
                (tracks >= 0 && !Is(tracks, JSMN_ARRAY)) || (counted >= 0 && !Number(counted, trackCount))) {
                return -2;
            }
            for (int k = 0, entry = discs + 1; discs >= 0 && k < tokens[discs].size; ++k, entry = Skip(entry)) {
                const int id = Member(entry, "id");
                if (!Is(id, JSMN_STRING)) {
                    return -2;
                }
                if (Equals(id, disc.Id)) {
                    return medium;
                }
            }
            if (byCount < 0 && trackCount == disc.LastTrack) {
                byCount = medium;
            }
        }
        return byCount;
    }

    bool ReadTitles(int medium, Release& release)
    {
        const int tracks = Member(medium, "tracks");
        for (int n = 0, track = tracks + 1; tracks >= 0 && n < tokens[tracks].size; ++n, track = Skip(track)) {
            int position = 0;
            const int title = Member(track, "title");
            if (!Number(Member(track, "position"), position) || !Is(title, JSMN_STRING)) {
                return false;
            }
            if (position >= 1 && position <= 99) {
                if (!Decode(title)) {
                    return false;
                }
                release.titles[position - 1] = Keep();
            }
        }
        return true;
    }

    bool ReadRelease(int object, const LookupDiscId& disc, Release& release)
    {
        const int title = Member(object, "title");
        const int media = Member(object, "media");
        if (!Is(title, JSMN_STRING) || !Is(media, JSMN_ARRAY) ||
            !ReadArtist(Member(object, "artist-credit"), release.artist) || !Decode(title)) {
            return false;
        }
        release.album = Keep();
        if (!KeepOptional(Member(object, "date"), release.date) ||
            !KeepOptional(Member(object, "country"), release.country)) {
            return false;
        }
        const int medium = ChooseMedium(media, disc);
        return medium != -2 && (medium < 0 || ReadTitles(medium, release));
    }
};

LookupAnswer::LookupAnswer() : releases_(nullptr), releaseCount_(0), texts_(nullptr)
{
}

LookupAnswer::~LookupAnswer()
{
    Clear();
}

void LookupAnswer::Clear()
{
    Free(releases_);
    Free(texts_);
    releases_ = nullptr;
    texts_ = nullptr;
    releaseCount_ = 0;
}

bool LookupAnswer::Read(const char* json, DWORD length, const LookupDiscId& disc)
{
    Clear();
    if (json == nullptr || length == 0 || length > kMaxBytes) {
        return false;
    }
    jsmn_parser parser;
    jsmn_init(&parser);
    const int count = jsmn_parse(&parser, json, length, nullptr, 0);
    if (count <= 0) {
        return false;
    }
    Reader reader = {};
    reader.json = json;
    reader.count = count;
    reader.tokens = static_cast<jsmntok_t*>(Allocate(sizeof(jsmntok_t) * count));
    reader.scratchSize = static_cast<int>(length) + 1;
    reader.scratch = static_cast<wchar_t*>(Allocate(sizeof(wchar_t) * reader.scratchSize));
    reader.textsSize = static_cast<int>(length) + count + 1;
    texts_ = static_cast<wchar_t*>(Allocate(sizeof(wchar_t) * reader.textsSize));
    reader.texts = texts_;
    bool read = reader.tokens != nullptr && reader.scratch != nullptr && texts_ != nullptr;
    if (read) {
        texts_[0] = L'\0';
        reader.textsUsed = 1;
        jsmn_init(&parser);
        read = jsmn_parse(&parser, json, length, reader.tokens, count) == count && reader.WellFormed();
    }
    // Nothing but blanks may follow the answer's one object.
    for (DWORD i = read ? reader.tokens[0].end : length; i < length && read; ++i) {
        read = json[i] == ' ' || json[i] == '\t' || json[i] == '\r' || json[i] == '\n';
    }
    const int releases = read ? reader.Member(0, "releases") : -1;
    read = read && reader.Is(releases, JSMN_ARRAY);
    if (read && reader.tokens[releases].size > 0) {
        releases_ = static_cast<Release*>(Allocate(sizeof(Release) * reader.tokens[releases].size));
        read = releases_ != nullptr;
    }
    for (int n = 0, release = releases + 1; read && n < reader.tokens[releases].size;
         ++n, release = reader.Skip(release)) {
        ZeroMemory(&releases_[n], sizeof(Release));
        read = reader.Is(release, JSMN_OBJECT) && reader.ReadRelease(release, disc, releases_[n]);
        releaseCount_ = n + 1;
    }
    Free(reader.tokens);
    Free(reader.scratch);
    if (!read) {
        Clear();
    }
    return read;
}

const wchar_t* LookupAnswer::Text(int release, int Release::*field) const
{
    return release >= 0 && release < releaseCount_ ? texts_ + releases_[release].*field : L"";
}

const wchar_t* LookupAnswer::Artist(int release) const
{
    return Text(release, &Release::artist);
}

const wchar_t* LookupAnswer::Album(int release) const
{
    return Text(release, &Release::album);
}

const wchar_t* LookupAnswer::Title(int release, int track) const
{
    if (release < 0 || release >= releaseCount_ || track < 1 || track > 99) {
        return L"";
    }
    return texts_ + releases_[release].titles[track - 1];
}

void LookupAnswer::Label(int release, wchar_t* label, int size) const
{
    if (size <= 0) {
        return;
    }
    const wchar_t* artist = Artist(release);
    const wchar_t* album = Album(release);
    const wchar_t* date = Text(release, &Release::date);
    const wchar_t* country = Text(release, &Release::country);
    int length = 0;
    label[0] = L'\0';
    auto add = [&](const wchar_t* text) { length += CopyText(label + length, size - length, text); };
    // Separators only between two texts; the brackets only around a date or a country.
    add(artist);
    if (*artist && *album) add(L" - ");
    add(album);
    if (*date || *country) {
        add(length > 0 ? L" (" : L"(");
        add(date);
        if (*date && *country) add(L", ");
        add(country);
        add(L")");
    }
}
