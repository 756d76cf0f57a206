#include "app/titles_dialog.h"

#include <commctrl.h>

#include "app/display_scale.h"
#include "app/texts.h"
#include "app/track_list.h"
#include "lookup/request.h"
#include "res/resource.h"
#include "settings/disc_titles.h"
#include "settings/profile_file.h"
#include "settings/settings.h"

namespace {

// What an entry's item data says of it.
// It shows a title, not the untitled text.
const LPARAM kTitled = 1;
// The user changed it here: only such entries are written.
const LPARAM kEdited = 2;
// The file's title was longer than a user may type: shown cut, marked so.
const LPARAM kCut = 4;
// Filled by a lookup: stored at OK, as a user's edit is.
const LPARAM kFound = kTitled | kEdited;

// The mark after a title shown cut.
const wchar_t kCutMark[] = L"\x2026";

// Posted to itself when the scale changed, once the dialog manager has laid the dialog out;
// and by a lookup that ended, with its outcome.
const UINT kFitColumn = WM_APP + 1;
const UINT kLookedUp = WM_APP + 2;

// The disc's own fields: the control, the key in its section, its name in messages.
const struct {
    int control;
    const wchar_t* key;
    UINT name;
} kFields[] = {{IDC_ARTIST, L"artist", IDS_ARTIST_ITEM}, {IDC_ALBUM, L"title", IDS_ALBUM_ITEM}};

struct Dialog {
    Dialog(const TitlesDisc& disc_, HWND& open_) : disc(disc_), titles(disc_.discId), open(open_) {}

    const TitlesDisc& disc;
    DiscTitles titles;
    HWND& open;
    HWND edit = nullptr;       // the entry being edited, while it is
    bool storedSome = false;   // titles went into the file, whatever happened after
    bool loading = true;       // the fields are filled from the file: no edit of the user's
    bool fieldEdited[2] = {};  // as kFields
    bool lookingUp = false;    // a lookup's outcome is awaited
    LookupRequest lookup;
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
            lstrcatW(text, kCutMark);
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
    if ((flags & kCut) != 0 && length > 0 && text[length - 1] == kCutMark[0]) {
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
    wchar_t text[kTitleSize];
    LoadNamedText(IDS_TITLES_CAPTION, text);
    SetWindowTextW(dialog, text);
    for (const auto& field : kFields) {
        state.titles.Read(field.key, text);
        SetDlgItemTextW(dialog, field.control, text);
        SendDlgItemMessageW(dialog, field.control, EM_LIMITTEXT, kTitleSize - 1, 0);
    }
    state.loading = false;
    // A disc whose table of contents the drive did not give cannot be looked up.
    EnableWindow(GetDlgItem(dialog, IDC_LOOKUP), state.disc.toc != nullptr);
    HWND list = ListOf(dialog);
    LVCOLUMNW column = {};
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    FitColumn(dialog);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int i = 0; i < state.disc.trackCount; ++i) {
        wchar_t key[8];
        DiscTitles::TrackKey(i, key);
        const bool whole = state.titles.Read(key, text);
        ShowEntry(list, i, text, (text[0] != L'\0' ? kTitled : 0) | (whole ? 0 : kCut));
    }
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SetFocus(list);
}

void Warn(HWND dialog, UINT format, const wchar_t* what)
{
    wchar_t caption[32];
    wchar_t text[1024];
    LoadText(IDS_APP_NAME, caption);
    LoadText(format, text);
    wchar_t message[1024];
    wsprintfW(message, text, what);
    MessageBoxW(dialog, message, caption, MB_ICONWARNING);
}

// One value edited here (the tracks' titles, then the disc's fields): its key, its text and
// its name in messages. False past the last.
struct Edit {
    wchar_t key[8];
    wchar_t text[kTitleSize];
    wchar_t name[32];
    bool edited;
};

bool EditAt(HWND dialog, int at, Edit& edit)
{
    const Dialog& state = DialogOf(dialog);
    if (at < state.disc.trackCount) {
        DiscTitles::TrackKey(at, edit.key);
        edit.edited = (EntryTitle(ListOf(dialog), at, edit.text) & kEdited) != 0;
        wchar_t format[32];
        LoadText(IDS_TRACK_ITEM, format);
        wsprintfW(edit.name, format, at + 1);
        return true;
    }
    const int field = at - state.disc.trackCount;
    if (field >= static_cast<int>(ARRAYSIZE(kFields))) {
        return false;
    }
    lstrcpyW(edit.key, kFields[field].key);
    GetDlgItemTextW(dialog, kFields[field].control, edit.text, kTitleSize);
    LoadText(kFields[field].name, edit.name);
    edit.edited = state.fieldEdited[field];
    return true;
}

// What was edited here must fit the code page before the first is written. Then each is
// written and read back; at the first that the file does not hold, the user is told what
// went in, or that nothing changed. True once every edit is stored.
bool Store(HWND dialog)
{
    Dialog& state = DialogOf(dialog);
    Edit edit;
    for (int at = 0; EditAt(dialog, at, edit); ++at) {
        if (edit.edited && !DiscTitles::CanStore(edit.text)) {
            Warn(dialog, IDS_TITLE_UNSTORABLE, edit.name);
            return false;
        }
    }
    wchar_t stored[1024] = L"";  // what was stored so far, "track 1, track 3"
    for (int at = 0; EditAt(dialog, at, edit); ++at) {
        if (!edit.edited) {
            continue;
        }
        if (!state.titles.Store(edit.key, edit.text)) {
            Warn(dialog, stored[0] == L'\0' ? IDS_TITLES_REFUSED : IDS_TITLES_PARTLY, stored);
            return false;
        }
        // In the file now: a second try leaves it be.
        if (at < state.disc.trackCount) {
            ShowEntry(ListOf(dialog), at, edit.text, edit.text[0] != L'\0' ? kTitled : 0);
        } else {
            state.fieldEdited[at - state.disc.trackCount] = false;
        }
        state.storedSome = true;
        if (lstrlenW(stored) + lstrlenW(edit.name) + 3 < static_cast<int>(ARRAYSIZE(stored))) {
            wsprintfW(stored + lstrlenW(stored), stored[0] == L'\0' ? L"%s" : L", %s", edit.name);
        }
    }
    return true;
}

void ShowStatus(HWND dialog, UINT text)
{
    wchar_t status[64] = L"";
    if (text != 0) {
        LoadText(text, status);
    }
    SetDlgItemTextW(dialog, IDC_STATUS, status);
}

// The lookup asked for, or stopped while it runs.
void OnLookup(HWND dialog)
{
    Dialog& state = DialogOf(dialog);
    if (state.lookingUp) {
        state.lookup.Stop();
        state.lookingUp = false;
    } else {
        // The server is read afresh each time; one that is no http or https address is not used.
        wchar_t server[MAX_PATH];
        LoadLookupServer(ProfileFile(state.disc.settingsPath), server);
        LookupDiscId id;
        state.lookingUp = state.disc.toc != nullptr && id.Compute(*state.disc.toc) &&
                          state.lookup.Start(dialog, kLookedUp, server, id);
    }
    ShowStatus(dialog, state.lookingUp ? IDS_LOOKING_UP : 0);
    wchar_t label[32];
    LoadText(state.lookingUp ? IDS_LOOKUP_STOP : IDS_LOOKUP, label);
    SetDlgItemTextW(dialog, IDC_LOOKUP, label);
}

// The fields and every track's entry from a release found, shown as edited.
void FillFrom(HWND dialog, int release)
{
    const Dialog& state = DialogOf(dialog);
    const LookupAnswer& answer = state.lookup.Answer();
    SetDlgItemTextW(dialog, IDC_ARTIST, answer.Artist(release));
    SetDlgItemTextW(dialog, IDC_ALBUM, answer.Album(release));
    for (int i = 0; i < state.disc.trackCount; ++i) {
        const wchar_t* title = answer.Title(release, i + 1);
        if (title[0] != L'\0') {
            ShowEntry(ListOf(dialog), i, title, kFound);
        }
    }
}

void OnLookedUp(HWND dialog, LookupOutcome outcome)
{
    Dialog& state = DialogOf(dialog);
    if (!state.lookingUp) {
        return;  // stopped: it was on its way before
    }
    OnLookup(dialog);  // over: the button as it was
    static const UINT kFailures[] = {0, IDS_LOOKUP_NOTFOUND, IDS_LOOKUP_BUSY, IDS_LOOKUP_NOCONNECTION,
                                     IDS_LOOKUP_UNREADABLE};
    ShowStatus(dialog, kFailures[static_cast<int>(outcome)]);
    if (outcome != LookupOutcome::Found) {
        return;
    }
    // Several releases: a choice, the first chosen.
    HWND choice = GetDlgItem(dialog, IDC_RELEASES);
    SendMessageW(choice, CB_RESETCONTENT, 0, 0);
    const LookupAnswer& answer = state.lookup.Answer();
    for (int i = 0; i < answer.ReleaseCount(); ++i) {
        wchar_t label[512];
        answer.Label(i, label, ARRAYSIZE(label));
        SendMessageW(choice, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label));
    }
    SendMessageW(choice, CB_SETCURSEL, 0, 0);
    EnableWindow(choice, answer.ReleaseCount() > 1);
    FillFrom(dialog, 0);
}

void OnCommand(HWND dialog, int id, int code)
{
    Dialog& state = DialogOf(dialog);
    if ((id == IDC_ARTIST || id == IDC_ALBUM) && code == EN_CHANGE && !state.loading) {
        state.fieldEdited[id == IDC_ARTIST ? 0 : 1] = true;
    } else if (id == IDC_RELEASES && code == CBN_SELCHANGE) {
        FillFrom(dialog, static_cast<int>(SendDlgItemMessageW(dialog, IDC_RELEASES, CB_GETCURSEL, 0, 0)));
    } else if (id == IDC_LOOKUP) {
        OnLookup(dialog);
    } else if (id == IDCANCEL || (id == IDOK && Store(dialog))) {
        state.lookup.Stop();
        EndDialog(dialog, id);
    }
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
        return FALSE;  // the focus is on the list
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
        OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case kLookedUp:
        OnLookedUp(dialog, static_cast<LookupOutcome>(wParam));
        return TRUE;
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

bool RunTitlesDialog(HINSTANCE instance, HWND owner, const TitlesDisc& disc, HWND& open)
{
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    Dialog state(disc, open);
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_TITLES), owner, TitlesDialogProc, reinterpret_cast<LPARAM>(&state));
    open = nullptr;
    return state.storedSome;
}
