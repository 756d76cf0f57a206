// Track titles named in the player, as a user types them, and what cdplayer.ini then holds.

#include "res/resource.h"
#include "support/support.h"

using namespace e2e;

namespace {

const char kTitles[] = "C:\\windows\\cdplayer.ini";

// The file as other programs read it: in code page 932, given here in UTF-8.
std::string TitlesFile()
{
    const std::string bytes = ReadFileBytes(kTitles);
    wchar_t text[4096] = {};
    MultiByteToWideChar(932, 0, bytes.c_str(), static_cast<int>(bytes.size()), text, ARRAYSIZE(text) - 1);
    return driver::Utf8(text);
}

// The titles dialog, opened as its menu item does, with the focus in its list.
HWND OpenTitles(const Player& player)
{
    PostMessageW(player.window, WM_COMMAND, IDM_TITLES, 0);
    HWND dialog = nullptr;
    REQUIRE(sim::PumpUntil([&] { return (dialog = player.OwnedDialog()) != nullptr; }, kTimeoutMs));
    REQUIRE(BringToFront(dialog));
    REQUIRE(sim::PumpUntil([&] { return Focus(dialog) == GetDlgItem(dialog, IDC_TITLES); }, kTimeoutMs));
    return dialog;
}

// Keys to the dialog: an arrow to an entry, then F2 and the new title (typed over the old one
// or, when empty, deleting it) and Enter.
void Retitle(HWND dialog, WORD arrow, const std::string& title)
{
    REQUIRE(Press(dialog, arrow));
    REQUIRE(Press(dialog, VK_F2));
    REQUIRE(title.empty() ? Press(dialog, VK_DELETE) : driver::Type(title));
    REQUIRE(Press(dialog, VK_RETURN));
}

}  // namespace

TEST_CASE("track titles named in the player are stored where every program finds them")
{
    // No "Default Drive": the first CD drive, D:, names the disc.
    sim::SetDefaultDrive(REG_DWORD, "");
    sim::WriteTitles("[1A2B3C4D]\r\n0=Overture\r\nartist=Velto\r\n");
    Session run(kPlaced, sim::discWithTracks({60000, 60000, 60000}));
    HWND list = GetDlgItem(run.player.window, IDC_TRACKLIST);
    CHECK(EntryOf(list, 0) == "Overture");

    // Track 2 gets a Japanese title, track 1's is cleared: the file holds exactly that.
    HWND dialog = OpenTitles(run.player);
    CHECK(TextOf(dialog) == "veltoCD - 曲名の編集");
    Retitle(dialog, VK_DOWN, "雨上がり");
    Retitle(dialog, VK_UP, "");
    REQUIRE(Press(dialog, VK_RETURN));
    CHECK(sim::PumpUntil([&] { return !IsWindow(dialog); }, kTimeoutMs));
    const std::string stored = "[1A2B3C4D]\r\nartist=Velto\r\n1=雨上がり\r\n";
    CHECK(TitlesFile() == stored);
    CHECK(EntryOf(list, 0) == "ﾄﾗｯｸ #  1");  // at once, the selection kept
    CHECK(EntryOf(list, 1) == "雨上がり");
    CHECK(SendMessageW(list, CB_GETCURSEL, 0, 0) == 0);

    // Edited, then cancelled: nothing changes.
    dialog = OpenTitles(run.player);
    Retitle(dialog, VK_DOWN, "Finale");
    REQUIRE(Press(dialog, VK_ESCAPE));
    CHECK(sim::PumpUntil([&] { return !IsWindow(dialog); }, kTimeoutMs));
    CHECK(TitlesFile() == stored);

    // A title the code page (932) cannot hold, and a file the player may not write: each is said
    // in a message, nothing is stored, and the dialog stays. Wine keeps a read-only attribute as
    // Unix permissions, which root does not obey: the file is held open against writers
    // instead, so the player meets the refusal Windows gives.
    for (const char* title : {"Café", "Finale"}) {
        CAPTURE(title);
        HANDLE guard = title[0] == 'F'
                           ? CreateFileA(kTitles, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)
                           : nullptr;
        REQUIRE(guard != INVALID_HANDLE_VALUE);
        dialog = OpenTitles(run.player);
        Retitle(dialog, VK_DOWN, title);
        REQUIRE(Press(dialog, VK_RETURN));
        HWND box = nullptr;
        const auto message = [&] {
            for (HWND w : run.player.Shown("#32770")) box = GetWindow(w, GW_OWNER) == dialog ? w : box;
            return box != nullptr;
        };
        CHECK(sim::PumpUntil(message, kTimeoutMs));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        CHECK(sim::PumpUntil([&] { return !IsWindow(box); }, kTimeoutMs));
        CHECK(IsWindowVisible(dialog));
        REQUIRE(Press(dialog, VK_ESCAPE));
        CHECK(sim::PumpUntil([&] { return !IsWindow(dialog); }, kTimeoutMs));
        if (guard != nullptr) CloseHandle(guard);
        CHECK(TitlesFile() == stored);
    }
    CHECK(run.player.Close() == 0);
}
