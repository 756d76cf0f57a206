// Disc titles: the drive that "Default Drive" names, the disc's section in cdplayer.ini as
// read and written through the platform, and the entries of a real drop-down list. The
// prefix has CD-ROM drives D: and E: with the volume serial numbers 1A2B3C4D and C0FFEE.
#include "app/track_list.h"
#include "res/resource.h"
#include "settings/cd_drive.h"
#include "settings/disc_titles.h"
#include "support/support.h"

namespace {

DWORD DiscIdWith(DWORD type, const std::string& data)
{
    sim::SetDefaultDrive(type, data);
    CdDrive drive;
    drive.Find();
    return drive.DiscId();
}

// A window holding the track list, as the main window does.
struct List {
    List()
    {
        CreateWindowA("ComboBox", "", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 144, 104, window, HMENU(IDC_TRACKLIST),
                      nullptr, nullptr);
    }
    ~List() { DestroyWindow(window); }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return SendDlgItemMessageA(window, IDC_TRACKLIST, message, wParam, lParam);
    }
    std::string Entry(int i) { return driver::EntryOf(GetDlgItem(window, IDC_TRACKLIST), i); }
    HWND window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 144, 104, nullptr, nullptr, nullptr, nullptr);
};

std::string Read(const DiscTitles& titles, const wchar_t* key)
{
    wchar_t text[kTitleSize];
    titles.Read(key, text);
    return driver::Utf8(text);
}

}  // namespace

TEST_CASE("the drive that Default Drive names, or the first without it, and the identifier of its disc")
{
    using sim::Bytes;
    const DWORD first = 0x1A2B3C4D;  // D:, then E: with C0FFEE
    const std::pair<std::pair<DWORD, std::string>, DWORD> cases[] = {
        {{REG_DWORD, Bytes(0, 4)}, first},
        {{REG_DWORD, Bytes(1, 4)}, 0xC0FFEE},
        {{REG_DWORD, Bytes(2, 4)}, 0},
        {{REG_DWORD, ""}, first},  // no value
        {{REG_DWORD, Bytes(-1, 4)}, 0},
        {{REG_DWORD, Bytes(-5, 4)}, 0},
        {{REG_SZ, std::string("1\0", 2)}, first},  // no number
        {{REG_BINARY, Bytes(1, 2)}, first},
        {{REG_QWORD, Bytes(1, 8)}, first},
        {{REG_DWORD_BIG_ENDIAN, Bytes(1, 4)}, 0xC0FFEE}};  // four bytes are a number, whatever the type
    for (const auto& c : cases) {
        CAPTURE(c.first.second.size());
        CHECK(DiscIdWith(c.first.first, c.first.second) == c.second);
    }
}

TEST_CASE("entries: titles where cdplayer.ini knows the disc, numbers elsewhere and for a disc without identifier")
{
    std::string longJapanese;  // two bytes a character in the file, one character on the list
    for (int i = 0; i < 300; ++i) longJapanese += "曲";
    sim::WriteTitles("[  C0FFEE]\r\n0=Overture\r\n1=\r\n2=" + std::string(300, 't') + "\r\n3=" + longJapanese +
                     "\r\n4=\" 雨上がり \"\r\n5=a\tb\x01\x1b"
                     "c\r\n[       0]\r\n0=No drive\r\n");
    List list;
    FillTrackList(list.window, 12, 5, 0xC0FFEE);
    CHECK(list.Send(CB_GETCOUNT) == 12);
    const std::pair<int, std::string> entries[] = {{0, "Overture"},
                                                   {1, "ﾄﾗｯｸ #  2"},
                                                   {2, std::string(259, 't')},
                                                   {3, longJapanese.substr(0, 3 * 259)},
                                                   {4, " 雨上がり "},
                                                   {5, "a\tb\x01\x1b"
                                                       "c"},
                                                   {11, "ﾄﾗｯｸ # 12"},
                                                   {12, ""}};
    for (const auto& entry : entries) {
        CAPTURE(entry.first);
        CHECK(list.Entry(entry.first) == entry.second);
    }
    CHECK(list.Send(CB_GETCURSEL) == 4);  // the entry of track 5, wherever the shuffle put it

    FillTrackList(list.window, 2, 1, 0);  // no identifier: no titles, not even the section of 0
    CHECK(list.Entry(0) == "ﾄﾗｯｸ #  1");
    FillTrackList(list.window, 0, 1, 0xC0FFEE);
    CHECK(list.Entry(0) == "* No Disc *");
    CHECK(list.Send(CB_GETCOUNT) == 1);
    SelectCurrentEntry(list.window, 2);  // next without a disc: no entry until the list is refilled
    CHECK(list.Send(CB_GETCURSEL) == CB_ERR);
}

TEST_CASE("a title stored reads back exactly, whatever readers drop, and a removed one is gone")
{
    // The section's name is padded ("%8X"): Wine finds it to write a key, not to remove one.
    sim::WriteTitles("[  C0FFEE]\r\n0=Overture\r\n1=Intro\r\n1=Intro again\r\n");
    const DiscTitles titles(0xC0FFEE);
    const std::pair<const wchar_t*, const char*> stores[] = {{L"0", ""},  // removed
                                                             {L"1", ""},  // removed, though the key stands twice
                                                             {L"2", " spaced "},    // readers drop surrounding blanks
                                                             {L"3", "\"Heroes\""},  // and a pair of quotes
                                                             {L"4", "'Round Midnight'"},
                                                             {L"artist", "雨上がり"}};
    for (const auto& store : stores) {
        CAPTURE(store.second);
        CHECK(titles.Store(store.first, driver::Wide(store.second).c_str()));
        CHECK(Read(titles, store.first) == store.second);
    }
    // A title longer than a user may type reads cut, and says so.
    sim::WriteTitles("[  C0FFEE]\r\n0=" + std::string(1023, 'a') + "\r\n1=" + std::string(1024, 'b') + "\r\n");
    wchar_t text[kTitleSize];
    CHECK(titles.Read(L"0", text));
    CHECK_FALSE(titles.Read(L"1", text));
    CHECK(lstrlenW(text) == 1023);
    // A disc without an identifier has none, and stores none.
    CHECK_FALSE(DiscTitles(0).Store(L"0", L"Lost"));
    CHECK(sim::ReadFileBytes(sim::kTitlesFile).find("Lost") == std::string::npos);
}

TEST_CASE("a code page holds a title, or not; UTF-8 holds all")
{
    // Windows refuses the flags that find a lost character for UTF-8, Wine takes them: here
    // both give what a UTF-8 system must, every title.
    const struct {
        UINT codePage;
        const char* title;
        bool storable;
    } cases[] = {{932, "雨上がり", true}, {932, "Café", false},         {1252, "Café", true},
                 {1252, "雨", false},     {CP_UTF8, "Café 雨 🎵", true}, {1252, "Cafe\xe2\x84\xa2", true}};
    for (const auto& c : cases) {
        CAPTURE(c.title);
        CAPTURE(c.codePage);
        CHECK(DiscTitles::CanStore(driver::Wide(c.title).c_str(), c.codePage) == c.storable);
    }
}
