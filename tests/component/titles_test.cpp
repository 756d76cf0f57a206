// Disc titles: the drive that "Default Drive" names, the disc's section in cdplayer.ini, and
// the entries of a real drop-down list. The prefix has CD-ROM drives D: and E: with the
// volume serial numbers 1A2B3C4D and C0FFEE.
#include <doctest/doctest.h>

#include "app/track_list.h"
#include "res/resource.h"
#include "settings/disc_titles.h"
#include "support/sim_drive.h"

namespace {

void SetDefaultDrive(DWORD type, const std::string& data)
{
    sim::SetDefaultDrive(type, data);
    FindCdDrive();
}

// A window holding the track list, as the main window does.
struct List {
    List()
    {
        REQUIRE(window != nullptr);
        REQUIRE(CreateWindowA("ComboBox", "", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 144, 104, window, HMENU(IDC_TRACKLIST),
                              nullptr, nullptr) != nullptr);
    }
    ~List() { DestroyWindow(window); }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return SendDlgItemMessageA(window, IDC_TRACKLIST, message, wParam, lParam);
    }
    std::string Entry(int i) { return driver::EntryOf(GetDlgItem(window, IDC_TRACKLIST), i); }
    HWND window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 144, 104, nullptr, nullptr, nullptr, nullptr);
};

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
        SetDefaultDrive(c.first.first, c.first.second);
        CHECK(DiscId() == c.second);
    }
}

TEST_CASE("entries: titles where cdplayer.ini knows the disc, numbers elsewhere")
{
    std::string longTitle(300, 't');
    std::string longJapanese;  // two bytes a character in the file, one character on the list
    for (int i = 0; i < 300; ++i) longJapanese += "曲";
    sim::WriteTitles("[  C0FFEE]\r\n0=Overture\r\n1=\r\n2=" + longTitle + "\r\n3=" + longJapanese +
                     "\r\n4=雨上がり\r\n[       0]\r\n0=No drive\r\n");
    List list;
    SetDefaultDrive(REG_DWORD, sim::Bytes(1, 4));
    FillTrackList(list.window, 12, 5);
    CHECK(list.Send(CB_GETCOUNT) == 12);
    const std::pair<int, std::string> entries[] = {{0, "Overture"},
                                                   {1, "ﾄﾗｯｸ #  2"},
                                                   {2, longTitle.substr(0, 259)},
                                                   {3, longJapanese.substr(0, 3 * 259)},
                                                   {4, "雨上がり"},
                                                   {9, "ﾄﾗｯｸ # 10"},
                                                   {11, "ﾄﾗｯｸ # 12"},
                                                   {12, ""}};
    for (const auto& entry : entries) {
        CAPTURE(entry.first);
        CHECK(list.Entry(entry.first) == entry.second);
    }
    CHECK(list.Send(CB_GETCURSEL) == 4);  // the entry of track 5, wherever the shuffle put it

    SetDefaultDrive(REG_DWORD, sim::Bytes(-1, 4));  // no drive: the section of seven spaces and 0
    FillTrackList(list.window, 2, 1);
    CHECK(list.Entry(0) == "No drive");
    CHECK(list.Entry(1) == "ﾄﾗｯｸ #  2");

    // A title with control characters is shown as stored.
    SetDefaultDrive(REG_DWORD, sim::Bytes(1, 4));
    sim::WriteTitles("[  C0FFEE]\r\n0=a\tb\x01\x1b"
                     "c\r\n");
    FillTrackList(list.window, 1, 1);
    CHECK(list.Entry(0) == "a\tb\x01\x1b"
                           "c");

    FillTrackList(list.window, 0, 1);
    CHECK(list.Entry(0) == "* No Disc *");
    CHECK(list.Send(CB_GETCOUNT) == 1);
    CHECK(list.Send(CB_GETCURSEL) == 0);
    SelectCurrentEntry(list.window, 2);  // next without a disc: no entry until the list is refilled
    CHECK(list.Send(CB_GETCURSEL) == CB_ERR);
}
