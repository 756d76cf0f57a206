#include "app/track_list.h"

#include "app/texts.h"
#include "common/text.h"
#include "res/resource.h"
#include "settings/disc_titles.h"

namespace {

LRESULT SendToList(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendDlgItemMessageW(window, IDC_TRACKLIST, message, wParam, lParam);
}

void AddEntry(HWND window, const wchar_t* text)
{
    SendToList(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

}  // namespace

void FillTrackList(HWND window, int trackCount, int currentTrack, DWORD discId)
{
    SendToList(window, CB_RESETCONTENT, 0, 0);
    if (trackCount == 0) {
        // No disc: no volume to ask.
        wchar_t text[32];
        LoadText(IDS_NODISC_ENTRY, text);
        AddEntry(window, text);
        SendToList(window, CB_SETCURSEL, 0, 0);
        return;
    }
    const DiscTitles titles(discId);
    for (int i = 0; i < trackCount; ++i) {
        wchar_t key[8];
        wchar_t title[kTitleSize];
        DiscTitles::TrackKey(i, key);
        titles.Read(key, title);
        // The list over the stage shows at most MAX_PATH - 1 characters of a title.
        wchar_t text[MAX_PATH];
        CopyText(text, title);
        if (text[0] == L'\0') {
            UntitledEntry(i + 1, text);
        }
        AddEntry(window, text);
    }
    SelectCurrentEntry(window, currentTrack);
}

void SelectCurrentEntry(HWND window, int currentTrack)
{
    // The list is in track order, whatever the play order: the entry names the track. One
    // the list does not hold clears the selection, which Wine's list would otherwise keep.
    const LRESULT count = SendToList(window, CB_GETCOUNT, 0, 0);
    const int index = currentTrack >= 1 && currentTrack <= count ? currentTrack - 1 : -1;
    SendToList(window, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int SelectedEntry(HWND window)
{
    return static_cast<int>(SendToList(window, CB_GETCURSEL, 0, 0));
}

void UntitledEntry(int track, wchar_t* text)
{
    wchar_t format[32];
    LoadText(IDS_UNTITLED, format);
    wsprintfW(text, format, track);
}
