#ifndef VELTOCD_LOOKUP_ANSWER_H
#define VELTOCD_LOOKUP_ANSWER_H

#include <windows.h>

#include "lookup/disc_id.h"

// MusicBrainz's answer to a disc ID lookup: the releases it names, and of each the medium that
// is this disc, with its tracks' titles. Texts are UTF-16, each cut between characters to fit
// kTextSize units with its terminator, as the titles dialog's fields take them.
class LookupAnswer {
public:
    static const int kTextSize = 1024;
    static const DWORD kMaxBytes = 1024 * 1024;

    LookupAnswer();
    ~LookupAnswer();
    LookupAnswer(const LookupAnswer&) = delete;
    LookupAnswer& operator=(const LookupAnswer&) = delete;

    // Reads the JSON text of an answer for this disc. An answer that is not what the API gives
    // (not JSON, no releases, a field of the wrong type, more than kMaxBytes) is refused:
    // false, and no release is kept.
    bool Read(const char* json, DWORD length, const LookupDiscId& disc);
    void Clear();

    int ReleaseCount() const { return releaseCount_; }
    // "Artist - Album (date, country)", leaving out what the release lacks.
    void Label(int release, wchar_t* label, int size) const;
    // The artist credit, with its join phrases; the release's title. "" for a release not there.
    const wchar_t* Artist(int release) const;
    const wchar_t* Album(int release) const;
    // The title the release gives this disc's track (1-based); "" where it gives none.
    const wchar_t* Title(int release, int track) const;

private:
    struct Release {
        int artist, album, date, country;  // offsets into texts_
        int titles[99];
    };
    struct Reader;

    const wchar_t* Text(int release, int Release::*field) const;

    Release* releases_;
    int releaseCount_;
    wchar_t* texts_;  // every text, each ended by L'\0'; offset 0 is the empty text
};

#endif
