// Track titles named in the player as a user types them, and what cdplayer.ini then gives
// every reader. Drive E:'s disc (serial C0FFEE) has a section whose name is padded, "  C0FFEE".
#include "res/resource.h"
#include "support/support.h"

#include <commctrl.h>

using namespace e2e;

namespace {

const wchar_t kSection[] = L"  C0FFEE";

// A title as every reader of the file sees it, in UTF-8.
std::string TitleOf(const wchar_t* key)
{
    wchar_t title[2048];
    GetPrivateProfileStringW(kSection, key, L"", title, ARRAYSIZE(title), L"cdplayer.ini");
    return driver::Utf8(title);
}

// The titles dialog, opened as its menu item does, with the focus in its list.
HWND OpenTitles(const Player& player, VELTO_CALLER)
{
    PostMessageW(player.window, WM_COMMAND, IDM_TITLES, 0);
    HWND dialog = WaitForDialog(player, player.window);
    Expect(dialog != nullptr && BringToFront(dialog), "the titles dialog did not open", file, line);
    Expect(sim::PumpUntil([&] { return Focus(dialog) == GetDlgItem(dialog, IDC_TITLES); }, kTimeoutMs),
           "its list has no focus", file, line);
    return dialog;
}

// Keys to the dialog: an arrow to an entry (or none), then F2 and the new title (typed over
// the old one or, when empty, deleting it) and Enter.
void Retitle(HWND dialog, WORD arrow, const std::string& title, VELTO_CALLER)
{
    const bool typed = (arrow == 0 || Press(dialog, arrow)) && Press(dialog, VK_F2) &&
                       (title.empty() ? Press(dialog, VK_DELETE) : driver::Type(title)) && Press(dialog, VK_RETURN);
    Expect(typed, "the keys could not be typed", file, line);
}

bool Closes(HWND dialog)
{
    return sim::PumpUntil([&] { return !IsWindow(dialog); }, kTimeoutMs);
}

// Whether an entry of the dialog's list shows text of this colour.
bool EntryShows(const Player& player, HWND dialog, int index, COLORREF colour)
{
    HWND list = GetDlgItem(dialog, IDC_TITLES);
    const RECT item = driver::ItemRectOf(player.Process(), list, index);
    RECT client;
    GetClientRect(list, &client);
    sim::Canvas shot(client.right, client.bottom);
    driver::CaptureClient(list, shot.dc, client.right, client.bottom);
    for (int y = item.top; y < item.bottom; ++y) {
        for (int x = item.left; x < item.right; ++x) {
            if (GetPixel(shot.dc, x, y) == colour) return true;
        }
    }
    return false;
}

}  // namespace

TEST_CASE("titles edited here are stored exactly; what others wrote and nobody edited is kept")
{
    sim::SetDefaultDrive(REG_DWORD, sim::Bytes(1, 4));
    const std::string longTitle(600, 'x'), fullTitle(1023, 'y');
    sim::WriteTitles("[  C0FFEE]\r\nartist=Velto\r\n0=Overture\r\n1=" + longTitle + "\r\n2=Finale\r\n");
    Session run(kPlaced, sim::discWithTracks({60000, 60000, 60000, 60000, 60000}));
    HWND dialog = OpenTitles(run.player);
    CHECK(TextOf(dialog) == (sim::JapaneseInterface() ? "veltoCD - 曲名の編集" : "veltoCD - Track titles"));
    // The untitled entry is dimmed, a titled one is not (the first, selected, is highlighted),
    // once the list is drawn.
    const COLORREF text = GetSysColor(COLOR_WINDOWTEXT), dimmed = GetSysColor(COLOR_GRAYTEXT);
    CHECK(sim::PumpUntil([&] { return EntryShows(run.player, dialog, 2, text); }, kTimeoutMs));
    CHECK(sim::PumpUntil([&] { return EntryShows(run.player, dialog, 3, dimmed); }, kTimeoutMs));
    CHECK_FALSE(EntryShows(run.player, dialog, 2, dimmed));
    CHECK_FALSE(EntryShows(run.player, dialog, 3, text));
    // Asked for again, the dialog comes to the front; there is no second one.
    REQUIRE(BringToFront(run.player.window));
    PostMessageW(run.player.window, WM_COMMAND, IDM_TITLES, 0);
    CHECK(sim::PumpUntil([&] { return GetForegroundWindow() == dialog; }, kTimeoutMs));
    CHECK(run.player.Shown("#32770").size() == 2);

    // Overture cleared, in a section Wine cannot remove keys from; an untitled track named in
    // what only the system's code page holds, another at the full length.
    const std::string local = GetACP() == CP_UTF8 ? "Café 雨上がり" : "雨上がり";
    Retitle(dialog, 0, "");
    Retitle(dialog, VK_END, local);
    Retitle(dialog, VK_UP, fullTitle);
    Retitle(dialog, VK_UP, "Finale");  // as it was: no edit
    // Meanwhile another program retitles track 3 and renames the artist.
    REQUIRE(WritePrivateProfileStringW(kSection, L"2", L"Finale (live)", L"cdplayer.ini"));
    REQUIRE(WritePrivateProfileStringW(kSection, L"artist", L"Velto & Co", L"cdplayer.ini"));
    REQUIRE(Press(dialog, VK_RETURN));
    CHECK(Closes(dialog));
    CHECK(TitleOf(L"0") == "");
    CHECK(TitleOf(L"1") == longTitle);  // shown cut, never written back
    CHECK(TitleOf(L"2") == "Finale (live)");
    CHECK(TitleOf(L"artist") == "Velto & Co");
    CHECK(TitleOf(L"3") == fullTitle);
    CHECK(TitleOf(L"4") == local);
    HWND list = GetDlgItem(run.player.window, IDC_TRACKLIST);
    CHECK(EntryOf(list, 0) == (sim::JapaneseInterface() ? "ﾄﾗｯｸ #  1" : "Track 1"));  // at once
    CHECK(EntryOf(list, 3) == fullTitle.substr(0, 259));

    // Edited, then cancelled: nothing changes.
    const std::string before = sim::ReadFileBytes(sim::kTitlesFile);
    dialog = OpenTitles(run.player);
    Retitle(dialog, VK_DOWN, "Reprise");
    REQUIRE(Press(dialog, VK_ESCAPE));
    CHECK(Closes(dialog));
    CHECK(sim::ReadFileBytes(sim::kTitlesFile) == before);
    CHECK(run.player.Close() == 0);
}

TEST_CASE("titles refused honestly: no identifier, a code page that lacks a character, a file that cannot be written")
{
    // Without a drive that tells the disc there are no titles to edit.
    sim::SetDefaultDrive(REG_DWORD, sim::Bytes(-1, 4));
    {
        Session run(kPlaced);
        PostMessageW(run.player.window, WM_COMMAND, IDM_TITLES, 0);
        const size_t mark = run.log.lines.size();
        REQUIRE(run.player.Press('C', VK_MENU));  // handled after the item, in order
        REQUIRE(run.log.WaitFor("MCI_STOP", mark) != run.log.npos);
        CHECK(run.player.Shown("#32770").size() == 1);
        CHECK(run.player.Close() == 0);
    }
    sim::SetDefaultDrive(REG_DWORD, sim::Bytes(1, 4));
    sim::WriteTitles("[  C0FFEE]\r\n0=Overture\r\n");
    const std::string before = sim::ReadFileBytes(sim::kTitlesFile);
    Session run(kPlaced);
    // Wine keeps a read-only attribute as Unix permissions, which root does not obey: the file
    // is held open against writers instead, so the player meets the refusal Windows gives.
    HANDLE guard = CreateFileA(sim::kTitlesFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    REQUIRE(guard != INVALID_HANDLE_VALUE);
    HWND dialog = OpenTitles(run.player);
    REQUIRE(Press(dialog, VK_RETURN));  // nothing edited: nothing to write, nothing to refuse
    CHECK(Closes(dialog));
    // A title the file refuses; then, the file free again, one the code page cannot hold where
    // it lacks é (UTF-8 holds it).
    const bool utf8 = GetACP() == CP_UTF8;
    for (const char* title : {"Finale", "Café"}) {
        CAPTURE(title);
        if (title[0] == 'C') CloseHandle(guard);
        dialog = OpenTitles(run.player);
        Retitle(dialog, VK_DOWN, title);
        REQUIRE(Press(dialog, VK_RETURN));
        if (title[0] == 'C' && utf8) {
            CHECK(Closes(dialog));
            CHECK(TitleOf(L"1") == "Café");
            break;
        }
        HWND box = WaitForDialog(run.player, dialog);
        REQUIRE(box != nullptr);
        CHECK(TextOf(box) == "veltoCD");
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        CHECK(sim::PumpUntil([&] { return !IsWindow(box); }, kTimeoutMs));
        CHECK(IsWindowVisible(dialog));
        REQUIRE(Press(dialog, VK_ESCAPE));
        CHECK(Closes(dialog));
        CHECK(sim::ReadFileBytes(sim::kTitlesFile) == before);
    }
    CHECK(run.player.Close() == 0);
}

TEST_CASE("a lookup online fills the dialog; each failure is a line of status; nothing is stored until OK")
{
    sim::SetDefaultDrive(REG_DWORD, sim::Bytes(1, 4));
    sim::WriteTitles("[  C0FFEE]\r\n0=Overture\r\n");
    Session run(kPlaced, sim::discWithTracks({60000, 60000, 60000}));
    const std::string server = sim::Env("VELTO_MBFAKE");
    const bool japanese = sim::JapaneseInterface();
    HWND dialog = OpenTitles(run.player);
    const auto text = [&](int control) { return TextOf(GetDlgItem(dialog, control)); };
    // The server is read from the settings file at each lookup (the first given with a slash at
    // its end); the fake one tells each request it answered, and refuses any of the wrong form.
    const auto requests = [] { return sim::countLines(sim::Lines(sim::Env("VELTO_MBFAKE_EVENTS")), ""); };
    const auto lookUp = [&](const std::string& address) {
        WritePrivateProfileStringA("Lookup", "Server", address.c_str(), kSettingsPath);
        REQUIRE(Press(dialog, 'L', VK_MENU));
    };
    const auto clickLookUp = [&] {
        RECT button;
        GetWindowRect(GetDlgItem(dialog, IDC_LOOKUP), &button);
        REQUIRE(ClickAt({(button.left + button.right) / 2, (button.top + button.bottom) / 2}, false));
    };
    const char* const button = japanese ? "オンラインで検索(&L)" : "&Look up online";
    const char* const noConnection = japanese ? "接続できませんでした" : "Could not connect";
    const struct {
        std::string address;
        const char* status;
        int requests;
    } failures[] = {{server + "/notfound/", japanese ? "この CD は見つかりませんでした" : "This CD was not found", 1},
                    {server + "/garbage", japanese ? "応答を読めませんでした" : "The answer could not be read", 1},
                    {server + "/busy", japanese ? "サーバーが混み合っています" : "The server is busy", 2},
                    {server + "/huge", japanese ? "応答を読めませんでした" : "The answer could not be read", 1},
                    {"http://127.0.0.1:1/one", noConnection, 0}};
    for (const auto& failure : failures) {
        CAPTURE(failure.address);
        const int before = requests();
        const DWORD started = GetTickCount();
        lookUp(failure.address);
        const auto over = [&] {
            return text(IDC_LOOKUP) == button && requests() - before == failure.requests &&
                   text(IDC_STATUS) == failure.status;
        };
        sim::PumpUntil(over, 20000);
        CHECK(text(IDC_STATUS) == failure.status);
        CHECK(text(IDC_LOOKUP) == button);
        CHECK(requests() - before == failure.requests);
        if (failure.requests == 2) CHECK(GetTickCount() - started >= 1000);  // asked again a second later
    }
    // A server that never answers: the button stops the lookup at once, or the time limit does.
    lookUp(server + "/hang");
    CHECK(sim::PumpUntil([&] { return text(IDC_LOOKUP) == (japanese ? "中止" : "Stop"); }, kTimeoutMs));
    CHECK(text(IDC_STATUS) == (japanese ? "検索中..." : "Looking up..."));
    const DWORD stopping = GetTickCount();
    clickLookUp();
    CHECK(sim::PumpUntil([&] { return text(IDC_LOOKUP) == button; }, 3000));
    CHECK(GetTickCount() - stopping < 3000);  // at once, not at a time limit (the reading may wait for it)
    CHECK(text(IDC_STATUS) == "");
    const DWORD waiting = GetTickCount();
    clickLookUp();
    CHECK(sim::PumpUntil([&] { return text(IDC_STATUS) == noConnection; }, 16000));
    const DWORD waited = GetTickCount() - waiting;
    CHECK(waited >= 9500);  // ten seconds to receive an answer, not the fifteen of the whole lookup
    CHECK(waited < 13000);
    // Two releases: the first fills the dialog, choosing the second fills it from that.
    lookUp(server + "/two");
    CHECK(sim::PumpUntil([&] { return text(IDC_ARTIST) == "Kumo & Hoshi"; }, kTimeoutMs));
    HWND choice = GetDlgItem(dialog, IDC_RELEASES);
    CHECK(IsWindowEnabled(choice));
    CHECK(EntryOf(choice, 1) == "Kumo - Blue Hour (夜) (GB)");
    SendMessageW(choice, CB_SETCURSEL, 1, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_RELEASES, CBN_SELCHANGE), reinterpret_cast<LPARAM>(choice));
    CHECK(text(IDC_ALBUM) == "Blue Hour (夜)");
    // Cancelled: nothing stored. A busy server asked again, a second later, and OK: the disc's
    // fields and every title stored.
    const std::string before = sim::ReadFileBytes(sim::kTitlesFile);
    REQUIRE(Press(dialog, VK_ESCAPE));
    CHECK(Closes(dialog));
    CHECK(sim::ReadFileBytes(sim::kTitlesFile) == before);
    dialog = OpenTitles(run.player);
    const int asked = requests();
    lookUp(server + "/busy-once");
    CHECK(sim::PumpUntil([&] { return text(IDC_ALBUM) == "空の色"; }, kTimeoutMs));
    CHECK(requests() - asked == 2);
    CHECK_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_RELEASES)));  // one release: no choice
    REQUIRE(Press(dialog, VK_RETURN));
    CHECK(Closes(dialog));
    CHECK(TitleOf(L"artist") == "Aoi Sora feat. 雨音ミク");
    CHECK(TitleOf(L"title") == "空の色");
    CHECK(TitleOf(L"0") == "雨上がり 1");
    CHECK(TitleOf(L"1") == "Track 2");
    CHECK(TitleOf(L"2") == "雨上がり 3");
    CHECK(sim::countLines(sim::Lines(sim::Env("VELTO_MBFAKE_EVENTS")), "400 ") == 0);
    CHECK(run.player.Close() == 0);
}
