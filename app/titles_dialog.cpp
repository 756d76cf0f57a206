#include "app/titles_dialog.h"

#include <commctrl.h>

#include "app/texts.h"
#include "app/track_list.h"
#include "res/resource.h"
#include "settings/disc_titles.h"

namespace {

// A title a user may type; the list over the stage shows at most 259 characters of it.
const int kTitleSize = 1024;

struct Disc {
    int trackCount;
    DiscTitles titles;
    HWND edit;  // the entry being edited, while it is
};

Disc& DiscOf(HWND dialog)
{
    return *reinterpret_cast<Disc*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

HWND ListOf(HWND dialog)
{
    return GetDlgItem(dialog, IDC_TITLES);
}

// An entry shows the track's title, or the untitled text; its item data says which.
void ShowEntry(HWND list, int index, const wchar_t* title)
{
    wchar_t untitled[32];
    UntitledEntry(index + 1, untitled);
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.lParam = title[0] != L'\0';
    item.pszText = const_cast<wchar_t*>(item.lParam != 0 ? title : untitled);
    if (SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item)) == FALSE) {
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
}

// The title an entry stands for: its text, or nothing for an untitled one.
void EntryTitle(HWND list, int index, wchar_t (&title)[kTitleSize])
{
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = title;
    item.cchTextMax = kTitleSize;
    title[0] = L'\0';
    if (SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) == FALSE || item.lParam == 0) {
        title[0] = L'\0';
    }
}

// Whether the entry's title differs from the one stored, which it gives.
bool Changed(HWND dialog, int index, wchar_t (&title)[kTitleSize])
{
    wchar_t stored[MAX_PATH];
    DiscOf(dialog).titles.Title(index, stored);
    EntryTitle(ListOf(dialog), index, title);
    return lstrcmpW(stored, title) != 0;
}

void OnInitDialog(HWND dialog, Disc& disc)
{
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&disc));
    wchar_t caption[64];
    LoadText(IDS_TITLES_CAPTION, caption);
    SetWindowTextW(dialog, caption);
    HWND list = ListOf(dialog);
    RECT area;
    GetClientRect(list, &area);
    LVCOLUMNW column = {};
    column.mask = LVCF_WIDTH;
    column.cx = area.right - GetSystemMetrics(SM_CXVSCROLL);
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int i = 0; i < disc.trackCount; ++i) {
        wchar_t title[MAX_PATH];
        disc.titles.Title(i, title);
        ShowEntry(list, i, title);
    }
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

// The titles that changed are stored, all or none: every one must fit the code page and the
// file must be writable before the first is written. A title left as it was is not written,
// so one longer than the dialog shows stays whole.
bool Store(HWND dialog)
{
    const Disc& disc = DiscOf(dialog);
    wchar_t title[kTitleSize];
    for (int i = 0; i < disc.trackCount; ++i) {
        if (Changed(dialog, i, title) && !DiscTitles::CanStore(title)) {
            wchar_t format[256];
            wchar_t text[300];
            LoadText(IDS_TITLE_UNSTORABLE, format);
            wsprintfW(text, format, i + 1);
            MessageBoxW(dialog, text, nullptr, MB_ICONWARNING);
            return false;
        }
    }
    bool stored = DiscTitles::Writable();
    for (int i = 0; stored && i < disc.trackCount; ++i) {
        stored = !Changed(dialog, i, title) || disc.titles.Store(i, title);
    }
    if (!stored) {
        wchar_t text[256];
        LoadText(IDS_TITLES_REFUSED, text);
        MessageBoxW(dialog, text, nullptr, MB_ICONWARNING);
    }
    return stored;
}

// Returns the notification's result, or -1 to leave it to the dialog manager.
LRESULT OnListNotify(HWND dialog, const NMHDR& header)
{
    HWND list = ListOf(dialog);
    if (header.code == LVN_KEYDOWN && reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_F2) {
        SendMessageW(list, LVM_EDITLABELW, SendMessageW(list, LVM_GETNEXTITEM, -1, LVNI_FOCUSED), 0);
        return 0;
    }
    if (header.code == LVN_BEGINLABELEDITW) {
        // An untitled entry is edited from nothing, not from its stand-in text.
        HWND edit = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETEDITCONTROL, 0, 0));
        DiscOf(dialog).edit = edit;
        wchar_t title[kTitleSize];
        EntryTitle(list, reinterpret_cast<const NMLVDISPINFOW&>(header).item.iItem, title);
        SetWindowTextW(edit, title);
        SendMessageW(edit, EM_SETSEL, 0, -1);
        SendMessageW(edit, EM_LIMITTEXT, kTitleSize - 1, 0);
        return FALSE;
    }
    if (header.code == LVN_ENDLABELEDITW) {
        const LVITEMW& item = reinterpret_cast<const NMLVDISPINFOW&>(header).item;
        // No text is a cancelled edit, but Wine also reports an emptied one so: Esc tells.
        wchar_t emptied[kTitleSize] = L"";
        if (item.pszText == nullptr && GetKeyState(VK_ESCAPE) >= 0) {
            GetWindowTextW(DiscOf(dialog).edit, emptied, kTitleSize);
        }
        if (item.pszText != nullptr || GetKeyState(VK_ESCAPE) >= 0) {
            ShowEntry(list, item.iItem, item.pszText != nullptr ? item.pszText : emptied);
        }
        return FALSE;  // the entry is shown as ShowEntry made it
    }
    if (header.code == NM_CUSTOMDRAW) {
        auto& draw = const_cast<NMLVCUSTOMDRAW&>(reinterpret_cast<const NMLVCUSTOMDRAW&>(header));
        if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) {
            return CDRF_NOTIFYITEMDRAW;
        }
        if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT && draw.nmcd.lItemlParam == 0) {
            draw.clrText = GetSysColor(COLOR_GRAYTEXT);  // dimmed: no title is stored
        }
        return CDRF_DODEFAULT;
    }
    return -1;
}

INT_PTR CALLBACK TitlesDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        OnInitDialog(dialog, *reinterpret_cast<Disc*>(lParam));
        return TRUE;
    }
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->idFrom == IDC_TITLES) {
        const LRESULT result = OnListNotify(dialog, *reinterpret_cast<NMHDR*>(lParam));
        if (result != -1) {
            SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
            return TRUE;
        }
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        const bool stored = LOWORD(wParam) == IDOK && Store(dialog);
        if (stored || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, stored);
        }
        return TRUE;
    }
    return FALSE;
}

}  // namespace

bool RunTitlesDialog(HINSTANCE instance, HWND owner, int trackCount)
{
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    Disc disc = {trackCount, DiscTitles(DiscId()), nullptr};
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_TITLES), owner, TitlesDialogProc,
                           reinterpret_cast<LPARAM>(&disc)) == TRUE;
}
