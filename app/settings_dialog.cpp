#include "app/settings_dialog.h"

#include <commctrl.h>

#include "app/texts.h"
#include "res/resource.h"
#include "settings/settings.h"

namespace {

struct Dialog {
    Settings& settings;
    HWND& open;
};

Settings& SettingsOf(HWND dialog)
{
    return reinterpret_cast<Dialog*>(GetWindowLongPtrW(dialog, DWLP_USER))->settings;
}

// Checking a radio button makes it a tab stop on this platform. The tempo stays out of the
// Tab order all the same, which moves between the number and OK alone.
void MarkTempo(HWND dialog)
{
    CheckRadioButton(dialog, IDC_ANDANTE, IDC_ALLEGRO, SettingsOf(dialog).Tune);
    for (int id = IDC_ANDANTE; id <= IDC_ALLEGRO; ++id) {
        HWND button = GetDlgItem(dialog, id);
        SetWindowLongW(button, GWL_STYLE, GetWindowLongW(button, GWL_STYLE) & ~WS_TABSTOP);
    }
}

void OnInitDialog(HWND dialog, Dialog& state)
{
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&state));
    state.open = dialog;
    const Settings& settings = state.settings;
    wchar_t caption[64];
    LoadNamedText(IDS_SETTINGS_CAPTION, caption);
    SetWindowTextW(dialog, caption);
    SetDlgItemInt(dialog, IDC_REVERB, static_cast<UINT>(settings.Reverb), FALSE);
    // The low word is the top of the range, so up moves towards the fewest notes.
    SendDlgItemMessageW(dialog, IDC_REVERB_SPIN, UDM_SETRANGE, 0, MAKELPARAM(kReverbMin, kReverbMax));
    MarkTempo(dialog);
}

void OnCommand(HWND dialog, int id)
{
    if (GetWindowLongPtrW(dialog, DWLP_USER) == 0) {
        return;  // not yet initialised
    }
    if (id == IDOK) {
        SettingsOf(dialog).Reverb = static_cast<int>(GetDlgItemInt(dialog, IDC_REVERB, nullptr, FALSE));
        EndDialog(dialog, 1);
    } else if (id >= IDC_ANDANTE && id <= IDC_ALLEGRO) {
        SettingsOf(dialog).Tune = id;
        MarkTempo(dialog);
    }
    // IDCANCEL, from Esc and from a close request, is ignored: only OK closes.
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        OnInitDialog(dialog, *reinterpret_cast<Dialog*>(lParam));
        return TRUE;  // the focus goes to the first tab stop, the number field
    }
    if (message == WM_COMMAND) {
        OnCommand(dialog, LOWORD(wParam));
    }
    return FALSE;
}

}  // namespace

void RunSettingsDialog(HINSTANCE instance, HWND owner, Settings& settings, HWND& open)
{
    // The template holds an up-down control, whose class must exist before the dialog does.
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&classes);
    Dialog state = {settings, open};
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_SETTINGS), owner, SettingsDialogProc,
                    reinterpret_cast<LPARAM>(&state));
    open = nullptr;
}
