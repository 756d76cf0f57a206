#include "lookup/disc_id.h"

#include <wincrypt.h>

namespace {

// Between the sessions of an enhanced CD lie the first session's lead-out and the second's
// lead-in and gap: 6750 + 4500 + 150 frames.
const DWORD kSessionGap = 11400;

bool Sha1(const char* text, int length, BYTE (&digest)[20])
{
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
        return false;
    }
    HCRYPTHASH hash = 0;
    DWORD size = sizeof digest;
    const bool done = CryptCreateHash(provider, CALG_SHA1, 0, 0, &hash) &&
                      CryptHashData(hash, reinterpret_cast<const BYTE*>(text), length, 0) &&
                      CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0) && size == sizeof digest;
    if (hash != 0) {
        CryptDestroyHash(hash);
    }
    CryptReleaseContext(provider, 0);
    return done;
}

// Base64 with the three characters that are safe in a URL: '.', '_' and '-' for padding.
void Encode(const BYTE (&digest)[20], char (&id)[29])
{
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._";
    int out = 0;
    for (int i = 0; i < 20; i += 3) {
        const DWORD group = digest[i] << 16 | digest[i + 1] << 8 | (i + 2 < 20 ? digest[i + 2] : 0);
        for (int k = 0; k < 4; ++k) {
            id[out++] = kDigits[(group >> (18 - 6 * k)) & 63];
        }
    }
    id[27] = '-';  // 20 bytes leave the last group one byte short
    id[28] = '\0';
}

}  // namespace

bool LookupDiscId::Compute(const TableOfContents& toc)
{
    Id[0] = '\0';
    Toc[0] = '\0';
    if (toc.TrackCount < 1 || toc.TrackCount > 99) {
        return false;
    }
    // Every track starts after the one before it.
    for (int i = 1; i < toc.TrackCount; ++i) {
        if (toc.TrackStart[i] <= toc.TrackStart[i - 1]) {
            return false;
        }
    }
    int last = toc.TrackCount;
    while (last > 0 && !toc.Audio[last - 1]) {
        --last;
    }
    if (last == 0) {
        return false;  // nothing to listen to
    }
    DWORD leadOut = toc.LeadOut;
    if (last < toc.TrackCount) {
        const DWORD data = toc.TrackStart[last];
        leadOut = data > kSessionGap ? data - kSessionGap : 0;
    }
    if (leadOut <= toc.TrackStart[last - 1]) {
        return false;
    }

    // SHA-1 of the hex text of the first and last track, the lead-out and 99 offsets (0 past the last).
    char hex[2 + 2 + 100 * 8 + 1];
    int length = wsprintfA(hex, "%02X%02X%08lX", 1, last, leadOut);
    for (int i = 0; i < 99; ++i) {
        length += wsprintfA(hex + length, "%08lX", i < last ? toc.TrackStart[i] : 0UL);
    }
    BYTE digest[20];
    if (!Sha1(hex, length, digest)) {
        return false;
    }
    Encode(digest, Id);
    length = wsprintfA(Toc, "1+%d+%lu", last, leadOut);
    for (int i = 0; i < last; ++i) {
        length += wsprintfA(Toc + length, "+%lu", toc.TrackStart[i]);
    }
    LastTrack = last;
    return true;
}
