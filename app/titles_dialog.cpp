#include "app/titles_dialog.h"

#include <commctrl.h>

#include "app/display_scale.h"
#include "app/texts.h"
#include "app/track_list.h"
#include "res/resource.h"
#include "settings/disc_titles.h"

namespace {

// What an entry's item data says of it.
const LPARAM kTitled = 1;  // it shows a title, not the untitled text
const LPARAM kEdited = 2;  // the user changed it here: only such entries are written
const LPARAM kCut = 4;     // the file's title was longer than a user may type: shown cut, marked so

// The mark after a title shown cut.
const wchar_t kCutMark = L'\x2026';

// Posted to itself when the scale changed, once the dialog manager has laid the dialog out.
const UINT kFitColumn = WM_APP + 1;

struct Dialog {
    int trackCount;
    DiscTitles titles;
    HWND& open;
    HWND edit;        // the entry being edited, while it is
    bool storedSome;  // titles went into the file, whatever happened after
};

Dialog& DialogOf(HWND dialog)
{
    return *reinterpret_cast<Dialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

HWND ListOf(HWND dialog)
{
    return GetDlgItem(dialog, IDC_TITLES);
}

// An entry shows the track's title, marked where it was cut, or the untitled text.
void ShowEntry(HWND list, int index, const wchar_t* title, LPARAM flags)
{
    wchar_t text[kTitleSize + 1];
    if ((flags & kTitled) == 0) {
        UntitledEntry(index + 1, text);
    } else {
        lstrcpynW(text, title, kTitleSize);
        if ((flags & kCut) != 0) {
            lstrcatW(text, L"\x2026");
        }
    }
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.lParam = flags;
    item.pszText = text;
    if (SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item)) == FALSE) {
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
}

// The title an entry stands for: its text without the cut's mark, or nothing for an untitled one.
LPARAM EntryTitle(HWND list, int index, wchar_t (&title)[kTitleSize])
{
    wchar_t text[kTitleSize + 1] = L"";
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = text;
    item.cchTextMax = ARRAYSIZE(text);
    const bool read = SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) != FALSE;
    const LPARAM flags = read ? item.lParam : 0;
    const int length = lstrlenW(text);
    if ((flags & kCut) != 0 && length > 0 && text[length - 1] == kCutMark) {
        text[length - 1] = L'\0';
    }
    lstrcpynW(title, (flags & kTitled) != 0 ? text : L"", kTitleSize);
    return flags;
}

void FitColumn(HWND dialog)
{
    RECT area;
    GetClientRect(ListOf(dialog), &area);
    SendMessageW(ListOf(dialog), LVM_SETCOLUMNWIDTH, 0, area.right - MetricAt(SM_CXVSCROLL, DpiOf(dialog)));
}

void OnInitDialog(HWND dialog, Dialog& state)
{
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&state));
    state.open = dialog;
    wchar_t caption[64];
    LoadNamedText(IDS_TITLES_CAPTION, caption);
    SetWindowTextW(dialog, caption);
    HWND list = ListOf(dialog);
    LVCOLUMNW column = {};
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    FitColumn(dialog);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int i = 0; i < state.trackCount; ++i) {
        wchar_t key[8];
        wchar_t title[kTitleSize];
        DiscTitles::TrackKey(i, key);
        const bool whole = state.titles.Read(key, title);
        ShowEntry(list, i, title, (title[0] != L'\0' ? kTitled : 0) | (whole ? 0 : kCut));
    }
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void Warn(HWND dialog, const wchar_t* text)
{
    wchar_t caption[32];
    LoadText(IDS_APP_NAME, caption);
    MessageBoxW(dialog, text, caption, MB_ICONWARNING);
}

// Every title edited here must fit the code page before the first is written. Then each is
// written and read back; at the first that the file does not hold, the user is told which
// went in, or that nothing changed. True once every edited title is stored.
bool Store(HWND dialog)
{
    Dialog& state = DialogOf(dialog);
    HWND list = ListOf(dialog);
    wchar_t title[kTitleSize];
    wchar_t text[1024];
    for (int i = 0; i < state.trackCount; ++i) {
        if ((EntryTitle(list, i, title) & kEdited) != 0 && !DiscTitles::CanStore(title)) {
            wchar_t format[256];
            LoadText(IDS_TITLE_UNSTORABLE, format);
            wsprintfW(text, format, i + 1);
            Warn(dialog, text);
            return false;
        }
    }
    wchar_t stored[512] = L"";  // the tracks stored so far, "1, 3"
    for (int i = 0; i < state.trackCount; ++i) {
        const LPARAM flags = EntryTitle(list, i, title);
        if ((flags & kEdited) == 0) {
            continue;
        }
        wchar_t key[8];
        DiscTitles::TrackKey(i, key);
        if (!state.titles.Store(key, title)) {
            wchar_t format[256];
            LoadText(stored[0] == L'\0' ? IDS_TITLES_REFUSED : IDS_TITLES_PARTLY, format);
            wsprintfW(text, format, stored);
            Warn(dialog, text);
            return false;
        }
        // In the file now: a second try leaves it be.
        ShowEntry(list, i, title, flags & ~kEdited);
        state.storedSome = true;
        wsprintfW(stored + lstrlenW(stored), stored[0] == L'\0' ? L"%d" : L", %d", i + 1);
    }
    return true;
}

// The edit ended with this text, or with none when it was cancelled.
void EndEdit(HWND list, int index, const wchar_t* edited)
{
    wchar_t title[kTitleSize];
    EntryTitle(list, index, title);
    if (edited == nullptr || lstrcmpW(edited, title) == 0) {
        return;  // as it was: not an edit, and a cut title stays whole in the file
    }
    ShowEntry(list, index, edited, (edited[0] != L'\0' ? kTitled : 0) | kEdited);
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
        DialogOf(dialog).edit = edit;
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
        const bool cancelled = item.pszText == nullptr && GetKeyState(VK_ESCAPE) < 0;
        if (item.pszText == nullptr && !cancelled) {
            GetWindowTextW(DialogOf(dialog).edit, emptied, kTitleSize);
        }
        EndEdit(list, item.iItem, cancelled ? nullptr : item.pszText != nullptr ? item.pszText : emptied);
        return FALSE;  // the entry is shown as ShowEntry made it
    }
    if (header.code == NM_CUSTOMDRAW) {
        auto& draw = const_cast<NMLVCUSTOMDRAW&>(reinterpret_cast<const NMLVCUSTOMDRAW&>(header));
        if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) {
            return CDRF_NOTIFYITEMDRAW;
        }
        if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT && (draw.nmcd.lItemlParam & kTitled) == 0) {
            draw.clrText = GetSysColor(COLOR_GRAYTEXT);  // dimmed: no title is stored
        }
        return CDRF_DODEFAULT;
    }
    return -1;
}

INT_PTR CALLBACK TitlesDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog, *reinterpret_cast<Dialog*>(lParam));
        return TRUE;
    case WM_NOTIFY:
        if (reinterpret_cast<NMHDR*>(lParam)->idFrom == IDC_TITLES) {
            const LRESULT result = OnListNotify(dialog, *reinterpret_cast<NMHDR*>(lParam));
            if (result != -1) {
                SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
                return TRUE;
            }
        }
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL || (LOWORD(wParam) == IDOK && Store(dialog))) {
            EndDialog(dialog, LOWORD(wParam));
        }
        return LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL;
    case WM_DPICHANGED:
        PostMessageW(dialog, kFitColumn, 0, 0);
        return FALSE;  // the dialog manager lays the dialog out for the new scale
    case kFitColumn:
        FitColumn(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

bool RunTitlesDialog(HINSTANCE instance, HWND owner, int trackCount, DWORD discId, HWND& open)
{
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    Dialog state = {trackCount, DiscTitles(discId), open, nullptr, false};
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_TITLES), owner, TitlesDialogProc, reinterpret_cast<LPARAM>(&state));
    open = nullptr;
    return state.storedSome;
}
