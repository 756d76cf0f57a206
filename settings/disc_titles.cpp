#include "settings/disc_titles.h"

namespace {

// A bare name: the platform looks for it in the Windows directory.
const wchar_t kTitlesFile[] = L"cdplayer.ini";

bool IsQuote(wchar_t c)
{
    return c == L'"' || c == L'\'';
}

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

}  // namespace

DiscTitles::DiscTitles(DWORD discId) : discId_(discId), file_(discId != 0 ? kTitlesFile : nullptr)
{
    wsprintfW(section_, L"%8X", discId);
}

void DiscTitles::TrackKey(int index, wchar_t (&key)[8])
{
    wsprintfW(key, L"%d", index);
}

bool DiscTitles::Read(const wchar_t* key, wchar_t (&text)[kTitleSize]) const
{
    return file_.ReadString(section_, key, text, kTitleSize);
}

bool DiscTitles::CanStore(const wchar_t* title, UINT codePage)
{
    // UTF-8 holds every title; it refuses the flags that find a character lost.
    if (codePage == CP_UTF8) {
        return true;
    }
    BOOL lost = FALSE;
    return WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, title, -1, nullptr, 0, nullptr, &lost) != 0 && !lost;
}

bool DiscTitles::Store(const wchar_t* key, const wchar_t* title) const
{
    const int length = lstrlenW(title);
    if (!file_.IsBound() || length >= kTitleSize) {
        return false;
    }
    if (length == 0) {
        // Removed; where the platform cannot remove the key, an empty value is no title either.
        file_.WriteString(section_, key, nullptr);
        wchar_t left[kTitleSize];
        if (Read(key, left) && left[0] != L'\0') {
            file_.WriteString(section_, key, L"");
        }
    } else {
        // Readers drop surrounding blanks and a pair of quotes: a title that has them is quoted.
        const bool quote = IsBlank(title[0]) || IsBlank(title[length - 1]) ||
                           (length > 1 && IsQuote(title[0]) && title[length - 1] == title[0]);
        wchar_t value[kTitleSize + 2];
        int end = 0;
        value[end] = L'"';
        end += quote ? 1 : 0;
        CopyMemory(value + end, title, length * sizeof(wchar_t));
        end += length;
        value[end] = L'"';
        end += quote ? 1 : 0;
        value[end] = L'\0';
        file_.WriteString(section_, key, value);
    }
    wchar_t stored[kTitleSize];
    return Read(key, stored) && lstrcmpW(stored, title) == 0;
}
