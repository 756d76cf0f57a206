// The simulated drive, driven through the real winmm exactly as the player drives it.

#include <doctest/doctest.h>

#include <windows.h>
#include <mmsystem.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "support/sim_drive.h"

using simdrive::Disc;
using simdrive::NotifyWindow;
using simdrive::discWithTracks;
using simdrive::readLog;

namespace {

using Lines = std::vector<std::string>;
using Statuses = std::vector<WPARAM>;

// Short tracks keep the suite quick; the long one is for checks made mid-play.
const std::vector<unsigned> kShort = {250, 250, 250};
const std::vector<unsigned> kLong = {1500, 1500};

Disc shortDisc() { return discWithTracks(kShort); }

// An open cdaudio device, closed at the end of the scope.
struct Cd {
    MCIDEVICEID id = 0;
    DWORD openError = 0;

    explicit Cd(DWORD extraFlags = 0, DWORD_PTR callback = 0) {
        MCI_OPEN_PARMSA p = {};
        p.dwCallback = callback;
        p.lpstrDeviceType = "cdaudio";
        openError = mciSendCommandA(0, MCI_OPEN, MCI_WAIT | MCI_OPEN_TYPE | extraFlags, reinterpret_cast<DWORD_PTR>(&p));
        if (openError == 0) id = p.wDeviceID;
    }
    ~Cd() { close(); }
    Cd(const Cd&) = delete;
    Cd& operator=(const Cd&) = delete;

    DWORD close(DWORD flags = MCI_WAIT, DWORD_PTR callback = 0) {
        if (!id) return 0;
        MCI_GENERIC_PARMS p = {};
        p.dwCallback = callback;
        DWORD err = mciSendCommandA(id, MCI_CLOSE, flags, reinterpret_cast<DWORD_PTR>(&p));
        id = 0;
        return err;
    }
    DWORD setFormat(DWORD format, DWORD flags = MCI_WAIT, DWORD_PTR callback = 0) {
        MCI_SET_PARMS p = {};
        p.dwCallback = callback;
        p.dwTimeFormat = format;
        return mciSendCommandA(id, MCI_SET, flags | MCI_SET_TIME_FORMAT, reinterpret_cast<DWORD_PTR>(&p));
    }
    DWORD status(DWORD item, DWORD_PTR& value, DWORD flags = MCI_WAIT, DWORD track = 0, DWORD_PTR callback = 0) {
        MCI_STATUS_PARMS p = {};
        p.dwCallback = callback;
        p.dwItem = item;
        p.dwTrack = track;
        DWORD err = mciSendCommandA(id, MCI_STATUS, flags | MCI_STATUS_ITEM, reinterpret_cast<DWORD_PTR>(&p));
        value = p.dwReturn;
        return err;
    }
    // The item's value; fails the test if the drive answers with an error.
    DWORD_PTR get(DWORD item, DWORD flags = MCI_WAIT, DWORD track = 0) {
        DWORD_PTR v = 0;
        DWORD err = status(item, v, flags, track);
        CHECK_MESSAGE(err == 0, "status item " << item << " failed with " << err);
        return v;
    }
    DWORD play(DWORD flags, DWORD from = 0, DWORD to = 0, DWORD_PTR callback = 0) {
        MCI_PLAY_PARMS p = {};
        p.dwCallback = callback;
        p.dwFrom = from;
        p.dwTo = to;
        return mciSendCommandA(id, MCI_PLAY, flags, reinterpret_cast<DWORD_PTR>(&p));
    }
    DWORD simple(UINT msg, DWORD flags, DWORD_PTR callback = 0) {
        MCI_GENERIC_PARMS p = {};
        p.dwCallback = callback;
        return mciSendCommandA(id, msg, flags, reinterpret_cast<DWORD_PTR>(&p));
    }
    DWORD seekTo(DWORD to) {
        MCI_SEEK_PARMS p = {};
        p.dwTo = to;
        return mciSendCommandA(id, MCI_SEEK, MCI_WAIT | MCI_TO, reinterpret_cast<DWORD_PTR>(&p));
    }
};

// A member of its own so the disc is in place before Session opens the device.
struct DiscWritten {
    explicit DiscWritten(const Disc& disc) { REQUIRE(simdrive::writeDisc(disc)); }
};

// Opens the drive in TMSF with the given disc and an empty log.
struct Session {
    DiscWritten written;
    NotifyWindow win;
    Cd cd;
    explicit Session(const Disc& disc) : written(disc) {
        REQUIRE(cd.id != 0);
        REQUIRE(cd.setFormat(MCI_FORMAT_TMSF) == 0);
        REQUIRE(simdrive::clearLog());
    }
    DWORD_PTR cb() const { return win.callback(); }
};

int threadsInProcess() {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE) return -1;
    int n = 0;
    THREADENTRY32 te = {};
    te.dwSize = sizeof te;
    for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te))
        if (te.th32OwnerProcessID == GetCurrentProcessId()) ++n;
    CloseHandle(snap);
    return n;
}

DWORD tmsf(int t, int m = 0, int s = 0, int f = 0) { return MCI_MAKE_TMSF(t, m, s, f); }

const DWORD kFromTo = MCI_FROM | MCI_TO;

}  // namespace

// Readable failures for the two kinds of list the tests compare.
namespace doctest {
template <>
struct StringMaker<Lines> {
    static String convert(const Lines& lines) {
        std::string out = "{";
        for (const std::string& l : lines) out += "\n  \"" + l + "\"";
        return (out + "\n}").c_str();
    }
};
template <>
struct StringMaker<Statuses> {
    static String convert(const Statuses& statuses) {
        std::string out = "{";
        for (WPARAM s : statuses) out += " " + simdrive::notifyName(s);
        return (out + " }").c_str();
    }
};
}  // namespace doctest

TEST_CASE("open and close reach the simulated drive through winmm") {
    REQUIRE(simdrive::writeDisc(shortDisc()));
    REQUIRE(simdrive::clearLog());
    NotifyWindow win;
    {
        Cd cd(MCI_NOTIFY, win.callback());
        REQUIRE(cd.openError == 0);
        CHECK(cd.id != 0);
        auto n = win.wait(1000);
        REQUIRE(n);
        CHECK(n->status == MCI_NOTIFY_SUCCESSFUL);
        CHECK(n->device == static_cast<LPARAM>(cd.id));
        CHECK(cd.close(MCI_NOTIFY, win.callback()) == 0);
        CHECK(win.statuses(100) == Statuses{MCI_NOTIFY_SUCCESSFUL});
    }
    CHECK(readLog() == Lines{
        "MCI_OPEN MCI_NOTIFY|MCI_WAIT|MCI_OPEN_TYPE type=cdaudio -> 0",
        "NOTIFY MCI_NOTIFY_SUCCESSFUL",
        "MCI_CLOSE MCI_NOTIFY -> 0",
        "NOTIFY MCI_NOTIFY_SUCCESSFUL",
    });

    SUBCASE("the string interface reads the drive's answers as the platform formats them") {
        Cd cd;
        REQUIRE(cd.id != 0);
        char buf[64] = "";
        CHECK(mciSendStringA("set cdaudio time format tmsf", buf, sizeof buf, nullptr) == 0);
        CHECK(mciSendStringA("status cdaudio mode", buf, sizeof buf, nullptr) == 0);
        CHECK(std::string(buf) == "stopped");
        CHECK(mciSendStringA("status cdaudio position", buf, sizeof buf, nullptr) == 0);
        CHECK(std::string(buf) == "01:00:00:00");
        CHECK(mciSendStringA("status cdaudio media present", buf, sizeof buf, nullptr) == 0);
        CHECK(std::string(buf) == "true");
        CHECK(mciSendStringA("status cdaudio length track 2", buf, sizeof buf, nullptr) == 0);
        CHECK(std::string(buf) == "00:00:18");
    }
}

TEST_CASE("status answers come from the control file as it is at each command") {
    Session s(discWithTracks({300, 400, 500}));
    Cd& cd = s.cd;

    CHECK(cd.get(MCI_STATUS_NUMBER_OF_TRACKS) == 3);
    CHECK(cd.get(MCI_STATUS_MEDIA_PRESENT) == TRUE);
    CHECK(cd.get(MCI_STATUS_READY) == TRUE);
    CHECK(cd.get(MCI_STATUS_MODE) == MCI_MODE_STOP);
    CHECK(cd.get(MCI_STATUS_TIME_FORMAT) == MCI_FORMAT_TMSF);
    CHECK(cd.get(MCI_STATUS_POSITION) == tmsf(1));
    CHECK(cd.get(MCI_STATUS_CURRENT_TRACK) == 1);
    CHECK(cd.get(MCI_STATUS_POSITION, MCI_WAIT | MCI_TRACK, 3) == tmsf(3));
    // 400 ms is 30 frames; lengths are MSF even in TMSF.
    CHECK(cd.get(MCI_STATUS_LENGTH, MCI_WAIT | MCI_TRACK, 2) == MCI_MAKE_MSF(0, 0, 30));
    CHECK(cd.get(MCI_STATUS_LENGTH) == MCI_MAKE_MSF(0, 1, 15));
    CHECK(cd.get(MCI_CDA_STATUS_TYPE_TRACK, MCI_WAIT | MCI_TRACK, 1) == MCI_CDA_TRACK_AUDIO);
    CHECK(readLog() == Lines{
        "MCI_STATUS MCI_WAIT|MCI_STATUS_ITEM item=MCI_STATUS_NUMBER_OF_TRACKS -> 0 return=3",
        "MCI_STATUS MCI_WAIT|MCI_STATUS_ITEM item=MCI_STATUS_MEDIA_PRESENT -> 0 return=TRUE",
        "MCI_STATUS MCI_WAIT|MCI_STATUS_ITEM item=MCI_STATUS_READY -> 0 return=TRUE",
        "MCI_STATUS MCI_WAIT|MCI_STATUS_ITEM item=MCI_STATUS_MODE -> 0 return=MCI_MODE_STOP",
        "MCI_STATUS MCI_WAIT|MCI_STATUS_ITEM item=MCI_STATUS_TIME_FORMAT -> 0 return=TMSF",
        "MCI_STATUS MCI_WAIT|MCI_STATUS_ITEM item=MCI_STATUS_POSITION -> 0 return=1:00:00:00",
        "MCI_STATUS MCI_WAIT|MCI_STATUS_ITEM item=MCI_STATUS_CURRENT_TRACK -> 0 return=1",
        "MCI_STATUS MCI_WAIT|MCI_TRACK|MCI_STATUS_ITEM item=MCI_STATUS_POSITION track=3 -> 0 return=3:00:00:00",
        "MCI_STATUS MCI_WAIT|MCI_TRACK|MCI_STATUS_ITEM item=MCI_STATUS_LENGTH track=2 -> 0 return=00:00:30",
        "MCI_STATUS MCI_WAIT|MCI_STATUS_ITEM item=MCI_STATUS_LENGTH -> 0 return=00:01:15",
        "MCI_STATUS MCI_WAIT|MCI_TRACK|MCI_STATUS_ITEM item=MCI_CDA_STATUS_TYPE_TRACK track=1 -> 0 return=MCI_CDA_TRACK_AUDIO",
    });

    SUBCASE("a new disc is seen at once, without reopening") {
        REQUIRE(simdrive::writeDisc(discWithTracks({100, 100, 100, 100, 100})));
        CHECK(cd.get(MCI_STATUS_NUMBER_OF_TRACKS) == 5);
    }
    SUBCASE("other time formats") {
        REQUIRE(cd.setFormat(MCI_FORMAT_MSF) == 0);
        CHECK(cd.get(MCI_STATUS_POSITION, MCI_WAIT | MCI_TRACK, 2) == MCI_MAKE_MSF(0, 0, 22));
        REQUIRE(cd.setFormat(MCI_FORMAT_MILLISECONDS) == 0);
        CHECK(cd.get(MCI_STATUS_POSITION, MCI_WAIT | MCI_TRACK, 3) == 700);
        CHECK(cd.get(MCI_STATUS_LENGTH) == 1200);
    }
    SUBCASE("an empty drive") {
        Disc empty;
        REQUIRE(simdrive::writeDisc(empty));
        CHECK(cd.get(MCI_STATUS_MEDIA_PRESENT) == FALSE);
        CHECK(cd.get(MCI_STATUS_READY) == FALSE);
        CHECK(cd.get(MCI_STATUS_MODE) == MCI_MODE_OPEN);
        DWORD_PTR v;
        CHECK(cd.status(MCI_STATUS_NUMBER_OF_TRACKS, v) == MCIERR_DEVICE_NOT_READY);
        CHECK(cd.status(MCI_STATUS_POSITION, v) == MCIERR_DEVICE_NOT_READY);
        CHECK(readLog().back() == "MCI_STATUS MCI_WAIT|MCI_STATUS_ITEM item=MCI_STATUS_POSITION -> 276");
    }
    SUBCASE("a disc in a drive that is not ready") {
        Disc d = discWithTracks({300});
        d.ready = false;
        REQUIRE(simdrive::writeDisc(d));
        CHECK(cd.get(MCI_STATUS_MEDIA_PRESENT) == TRUE);
        CHECK(cd.get(MCI_STATUS_READY) == FALSE);
        CHECK(cd.get(MCI_STATUS_MODE) == MCI_MODE_NOT_READY);
        DWORD_PTR v;
        CHECK(cd.status(MCI_STATUS_NUMBER_OF_TRACKS, v) == MCIERR_DEVICE_NOT_READY);
    }
    SUBCASE("bad requests") {
        REQUIRE(simdrive::clearLog());
        DWORD_PTR v;
        CHECK(cd.status(MCI_STATUS_POSITION, v, MCI_WAIT | MCI_TRACK, 4) == MCIERR_OUTOFRANGE);
        CHECK(cd.status(MCI_STATUS_LENGTH, v, MCI_WAIT | MCI_TRACK, 0) == MCIERR_OUTOFRANGE);
        CHECK(cd.status(MCI_CDA_STATUS_TYPE_TRACK, v) == MCIERR_MISSING_PARAMETER);
        CHECK(cd.status(0x4242, v) == MCIERR_UNSUPPORTED_FUNCTION);
        MCI_STATUS_PARMS p = {};
        CHECK(mciSendCommandA(cd.id, MCI_STATUS, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&p)) == MCIERR_MISSING_PARAMETER);
        CHECK(mciSendCommandA(cd.id, MCI_STATUS, MCI_STATUS_ITEM, 0) == MCIERR_NULL_PARAMETER_BLOCK);
        Lines log = readLog();
        REQUIRE(log.size() == 6);
        CHECK(log[3] == "MCI_STATUS MCI_WAIT|MCI_STATUS_ITEM item=0x4242 -> 274");
        CHECK(log[5] == "MCI_STATUS MCI_STATUS_ITEM -> 297");
    }
}

TEST_CASE("a missing or malformed control file means an empty drive") {
    Session s(shortDisc());
    auto present = [&] { return s.cd.get(MCI_STATUS_MEDIA_PRESENT); };
    REQUIRE(present() == TRUE);

    SUBCASE("missing") {
        REQUIRE(simdrive::removeControlFile());
        CHECK(present() == FALSE);
    }
    SUBCASE("malformed") {
        std::string hundredTracks = "present=1\ntracks=1";
        for (int i = 1; i < 100; ++i) hundredTracks += ",1";
        const std::vector<std::string> bad = {
            "present=1\ntracks=300\nvolume=5\n",          // unknown key
            "present=1\ntracks=300\nnotify_end\n",        // no '='
            "present=yes\ntracks=300\n",                  // not a number
            "present=2\ntracks=300\n",                    // not 0 or 1
            "present=1\ntracks=-300\n",                   // signed
            "present=1\ntracks=300,abc\n",
            "present=1\ntracks=300,,300\n",
            "present=1\ntracks=\n",
            "present=1\ntracks=0\n",                      // a track of no length
            "present=1\ntracks=6000001\n",                // over 100 minutes
            "present=1\ntracks=6000000,6000000,6000000\n",  // over 255 minutes in all
            hundredTracks + "\n",
            "present=1\n",                                // a readable disc without tracks
            "present=1\ntracks=300\nfail_after_ms=1234567890\n",
            "present=1\ntracks=300\nstart_delay_mode=later\n",
            std::string("present=1\0tracks=300\n", 21),
            "present=1\ntracks=300\n" + std::string(70000, '#') + "\n",  // too large
        };
        for (const std::string& text : bad) {
            CAPTURE(text.substr(0, 60));
            REQUIRE(simdrive::writeControlText(text));
            CHECK(present() == FALSE);
        }
    }
    SUBCASE("comments, blanks, spaces, CRLF and a byte order mark are fine") {
        REQUIRE(simdrive::writeControlText("\xEF\xBB\xBF# a disc\r\n\r\n  present = 1 \r\n\ttracks = 300 , 400\r\n# end"));
        CHECK(present() == TRUE);
        CHECK(s.cd.get(MCI_STATUS_NUMBER_OF_TRACKS) == 2);
    }
    SUBCASE("99 tracks is the most a disc holds") {
        std::vector<unsigned> tracks(99, 1000);
        REQUIRE(simdrive::writeDisc(discWithTracks(tracks)));
        CHECK(s.cd.get(MCI_STATUS_NUMBER_OF_TRACKS) == 99);
    }
}

TEST_CASE("set time format") {
    Session s(shortDisc());
    Cd& cd = s.cd;
    CHECK(cd.setFormat(MCI_FORMAT_MSF) == 0);
    CHECK(cd.setFormat(MCI_FORMAT_MILLISECONDS) == 0);
    CHECK(cd.setFormat(MCI_FORMAT_BYTES) == MCIERR_BAD_TIME_FORMAT);
    CHECK(cd.get(MCI_STATUS_TIME_FORMAT) == MCI_FORMAT_MILLISECONDS);
    CHECK(cd.setFormat(MCI_FORMAT_TMSF, MCI_NOTIFY, s.cb()) == 0);
    CHECK(s.win.statuses(50) == Statuses{MCI_NOTIFY_SUCCESSFUL});

    Disc d = shortDisc();
    d.failTimeFormat = true;
    REQUIRE(simdrive::writeDisc(d));
    CHECK(cd.setFormat(MCI_FORMAT_MSF, MCI_NOTIFY, s.cb()) == MCIERR_BAD_TIME_FORMAT);
    CHECK(s.win.statuses(50).empty());
    CHECK(cd.get(MCI_STATUS_TIME_FORMAT) == MCI_FORMAT_TMSF);

    MCI_SET_PARMS p = {};
    CHECK(mciSendCommandA(cd.id, MCI_SET, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&p)) == MCIERR_MISSING_PARAMETER);
    CHECK(mciSendCommandA(cd.id, MCI_SET, MCI_SET_DOOR_OPEN, reinterpret_cast<DWORD_PTR>(&p)) == MCIERR_UNSUPPORTED_FUNCTION);

    Lines log = readLog();
    REQUIRE(log.size() >= 9);
    CHECK(log[0] == "MCI_SET MCI_WAIT|MCI_SET_TIME_FORMAT format=MSF -> 0");
    CHECK(log[1] == "MCI_SET MCI_WAIT|MCI_SET_TIME_FORMAT format=MILLISECONDS -> 0");
    CHECK(log[2] == "MCI_SET MCI_WAIT|MCI_SET_TIME_FORMAT format=BYTES -> 293");
    CHECK(log[4] == "MCI_SET MCI_NOTIFY|MCI_SET_TIME_FORMAT format=TMSF -> 0");
    CHECK(log[5] == "NOTIFY MCI_NOTIFY_SUCCESSFUL");
    CHECK(log[6] == "MCI_SET MCI_NOTIFY|MCI_SET_TIME_FORMAT format=MSF -> 293");
}

TEST_CASE("a play completes asynchronously") {
    Disc d = shortDisc();
    SUBCASE("the old platform notifies the natural end") {
        d.notifyEnd = true;
        Session s(d);
        DWORD start = GetTickCount();
        REQUIRE(s.cd.play(MCI_NOTIFY | kFromTo, tmsf(2), tmsf(3), s.cb()) == 0);
        CHECK(s.cd.get(MCI_STATUS_MODE) == MCI_MODE_PLAY);
        CHECK(s.cd.get(MCI_STATUS_CURRENT_TRACK) == 2);
        auto n = s.win.wait(3000);
        DWORD took = GetTickCount() - start;
        REQUIRE(n);
        CHECK(n->status == MCI_NOTIFY_SUCCESSFUL);
        CHECK(n->device == static_cast<LPARAM>(s.cd.id));
        CHECK(took >= 230);
        CHECK(s.cd.get(MCI_STATUS_MODE) == MCI_MODE_STOP);
        CHECK(s.cd.get(MCI_STATUS_POSITION) == tmsf(3));
        Lines log = readLog();
        REQUIRE(log.size() >= 4);
        CHECK(log[0] == "MCI_PLAY MCI_NOTIFY|MCI_FROM|MCI_TO from=2:00:00:00 to=3:00:00:00 -> 0");
        CHECK(log[3] == "NOTIFY MCI_NOTIFY_SUCCESSFUL");
    }
    SUBCASE("NT leaves the notification waiting; the drive still stops") {
        Session s(d);
        REQUIRE(s.cd.play(MCI_NOTIFY | kFromTo, tmsf(2), tmsf(3), s.cb()) == 0);
        CHECK(s.win.statuses(350).empty());
        CHECK(s.cd.get(MCI_STATUS_MODE) == MCI_MODE_STOP);
        CHECK(s.cd.get(MCI_STATUS_POSITION) == tmsf(3));
        // The waiting one is superseded by the next command that asks for a notification.
        DWORD_PTR v;
        REQUIRE(s.cd.status(MCI_STATUS_MODE, v, MCI_NOTIFY, 0, s.cb()) == 0);
        CHECK(s.win.statuses(50) == Statuses{MCI_NOTIFY_SUPERSEDED, MCI_NOTIFY_SUCCESSFUL});
    }
    SUBCASE("without MCI_TO the play runs to the end of the disc") {
        d.notifyEnd = true;
        Session s(d);
        REQUIRE(s.cd.play(MCI_NOTIFY | MCI_FROM, tmsf(3), 0, s.cb()) == 0);
        auto n = s.win.wait(3000);
        REQUIRE(n);
        CHECK(n->status == MCI_NOTIFY_SUCCESSFUL);
        // 250 ms of track 3 is 18 frames.
        CHECK(s.cd.get(MCI_STATUS_POSITION) == tmsf(3, 0, 0, 18));
        CHECK(readLog()[0] == "MCI_PLAY MCI_NOTIFY|MCI_FROM from=3:00:00:00 -> 0");
    }
    SUBCASE("MCI_WAIT returns at the end and then notifies it") {
        Session s(d);
        DWORD start = GetTickCount();
        REQUIRE(s.cd.play(MCI_WAIT | MCI_NOTIFY | kFromTo, tmsf(1), tmsf(2), s.cb()) == 0);
        CHECK(GetTickCount() - start >= 230);
        CHECK(s.cd.get(MCI_STATUS_MODE) == MCI_MODE_STOP);
        CHECK(s.win.statuses(50) == Statuses{MCI_NOTIFY_SUCCESSFUL});
    }
}

TEST_CASE("the next command ends a waiting play notification") {
    Session s(discWithTracks(kLong));
    Cd& cd = s.cd;
    REQUIRE(cd.play(MCI_NOTIFY | kFromTo, tmsf(1), tmsf(2), s.cb()) == 0);

    SUBCASE("another play aborts it") {
        REQUIRE(cd.play(MCI_NOTIFY | MCI_FROM, tmsf(2), 0, s.cb()) == 0);
        CHECK(s.win.statuses(50) == Statuses{MCI_NOTIFY_ABORTED});
        CHECK(cd.get(MCI_STATUS_CURRENT_TRACK) == 2);
        CHECK(readLog() == Lines{
            "MCI_PLAY MCI_NOTIFY|MCI_FROM|MCI_TO from=1:00:00:00 to=2:00:00:00 -> 0",
            "MCI_PLAY MCI_NOTIFY|MCI_FROM from=2:00:00:00 -> 0",
            "NOTIFY MCI_NOTIFY_ABORTED",
            "MCI_STATUS MCI_WAIT|MCI_STATUS_ITEM item=MCI_STATUS_CURRENT_TRACK -> 0 return=2",
        });
    }
    SUBCASE("stop aborts it, and notifies its own success") {
        REQUIRE(cd.simple(MCI_STOP, MCI_NOTIFY, s.cb()) == 0);
        CHECK(s.win.statuses(50) == Statuses{MCI_NOTIFY_ABORTED, MCI_NOTIFY_SUCCESSFUL});
        CHECK(cd.get(MCI_STATUS_MODE) == MCI_MODE_STOP);
    }
    SUBCASE("stop without MCI_NOTIFY aborts it too") {
        REQUIRE(cd.simple(MCI_STOP, MCI_WAIT) == 0);
        CHECK(s.win.statuses(50) == Statuses{MCI_NOTIFY_ABORTED});
    }
    SUBCASE("a status that asks for a notification supersedes it; the play goes on") {
        DWORD_PTR v;
        REQUIRE(cd.status(MCI_STATUS_MODE, v, MCI_NOTIFY, 0, s.cb()) == 0);
        CHECK(v == MCI_MODE_PLAY);
        CHECK(s.win.statuses(50) == Statuses{MCI_NOTIFY_SUPERSEDED, MCI_NOTIFY_SUCCESSFUL});
        CHECK(cd.get(MCI_STATUS_MODE) == MCI_MODE_PLAY);
    }
    SUBCASE("a status without MCI_NOTIFY leaves it waiting") {
        CHECK(cd.get(MCI_STATUS_MODE) == MCI_MODE_PLAY);
        CHECK(s.win.statuses(50).empty());
        REQUIRE(cd.simple(MCI_STOP, MCI_WAIT) == 0);
        CHECK(s.win.statuses(50) == Statuses{MCI_NOTIFY_ABORTED});
    }
    SUBCASE("pause aborts it; a play without MCI_FROM resumes where it paused") {
        Sleep(100);
        REQUIRE(cd.simple(MCI_PAUSE, MCI_WAIT) == 0);
        CHECK(s.win.statuses(50) == Statuses{MCI_NOTIFY_ABORTED});
        CHECK(cd.get(MCI_STATUS_MODE) == MCI_MODE_PAUSE);
        DWORD paused = static_cast<DWORD>(cd.get(MCI_STATUS_POSITION));
        CHECK(MCI_TMSF_TRACK(paused) == 1);
        CHECK(MCI_TMSF_FRAME(paused) >= 7);  // 100 ms in
        Sleep(100);
        CHECK(cd.get(MCI_STATUS_POSITION) == paused);
        REQUIRE(cd.play(MCI_WAIT | MCI_TO, 0, tmsf(1, 0, 0, 30)) == 0);
        CHECK(cd.get(MCI_STATUS_POSITION) == tmsf(1, 0, 0, 30));
        CHECK(readLog()[1] == "MCI_PAUSE MCI_WAIT -> 0");
    }
    SUBCASE("seek aborts it and stops at the new place") {
        REQUIRE(cd.seekTo(tmsf(2, 0, 1)) == 0);
        CHECK(s.win.statuses(50) == Statuses{MCI_NOTIFY_ABORTED});
        CHECK(cd.get(MCI_STATUS_MODE) == MCI_MODE_STOP);
        CHECK(cd.get(MCI_STATUS_POSITION) == tmsf(2, 0, 1));
        CHECK(readLog()[1] == "MCI_SEEK MCI_WAIT|MCI_TO to=2:00:01:00 -> 0");
    }
}

TEST_CASE("a notification left waiting at the natural end is aborted by the next play") {
    Session s(shortDisc());
    REQUIRE(s.cd.play(MCI_NOTIFY | kFromTo, tmsf(1), tmsf(2), s.cb()) == 0);
    CHECK(s.win.statuses(400).empty());
    REQUIRE(s.cd.get(MCI_STATUS_MODE) == MCI_MODE_STOP);
    REQUIRE(s.cd.play(MCI_FROM, tmsf(2)) == 0);
    CHECK(s.win.statuses(50) == Statuses{MCI_NOTIFY_ABORTED});
}

TEST_CASE("faults set in the control file") {
    NotifyWindow win;

    SUBCASE("the open fails while the drive is in use, and works once it is free") {
        Disc d = shortDisc();
        d.failOpen = true;
        REQUIRE(simdrive::writeDisc(d));
        REQUIRE(simdrive::clearLog());
        {
            Cd cd;
            CHECK(cd.openError == MCIERR_DEVICE_OPEN);
            CHECK(cd.id == 0);
        }
        CHECK(readLog() == Lines{"MCI_OPEN MCI_WAIT|MCI_OPEN_TYPE type=cdaudio -> 265"});
        REQUIRE(simdrive::writeDisc(shortDisc()));
        Cd cd;
        CHECK(cd.openError == 0);
    }
    SUBCASE("play fails and keeps no notification") {
        Disc d = shortDisc();
        d.failPlay = true;
        d.notifyEnd = true;
        Session s(d);
        CHECK(s.cd.play(MCI_NOTIFY | kFromTo, tmsf(1), tmsf(2), s.cb()) == MCIERR_HARDWARE);
        CHECK(s.cd.get(MCI_STATUS_MODE) == MCI_MODE_STOP);
        CHECK(s.win.statuses(350).empty());
        CHECK(readLog()[0] == "MCI_PLAY MCI_NOTIFY|MCI_FROM|MCI_TO from=1:00:00:00 to=2:00:00:00 -> 262");
    }
    SUBCASE("the play fails some time in") {
        Disc d = discWithTracks(kLong);
        d.failAfterMs = 150;
        Session s(d);
        DWORD start = GetTickCount();
        REQUIRE(s.cd.play(MCI_NOTIFY | MCI_FROM, tmsf(2), 0, s.cb()) == 0);
        auto n = s.win.wait(3000);
        REQUIRE(n);
        CHECK(n->status == MCI_NOTIFY_FAILURE);
        CHECK(GetTickCount() - start >= 130);
        CHECK(GetTickCount() - start < 1400);
        CHECK(s.cd.get(MCI_STATUS_MODE) == MCI_MODE_STOP);
        CHECK(s.cd.get(MCI_STATUS_POSITION) == tmsf(2, 0, 0, 11));  // 150 ms in
        CHECK(readLog()[1] == "NOTIFY MCI_NOTIFY_FAILURE");
    }
    SUBCASE("the play fails some time in, without a notification to send") {
        Disc d = discWithTracks(kLong);
        d.failAfterMs = 100;
        Session s(d);
        REQUIRE(s.cd.play(MCI_FROM, tmsf(1)) == 0);
        CHECK(s.win.statuses(300).empty());
        CHECK(s.cd.get(MCI_STATUS_MODE) == MCI_MODE_STOP);
        CHECK(readLog().size() == 2);  // the play and the status: nothing was posted
    }
    SUBCASE("a play shorter than the failure delay ends normally") {
        Disc d = shortDisc();
        d.failAfterMs = 1000;
        d.notifyEnd = true;
        Session s(d);
        REQUIRE(s.cd.play(MCI_NOTIFY | kFromTo, tmsf(1), tmsf(2), s.cb()) == 0);
        auto n = s.win.wait(3000);
        REQUIRE(n);
        CHECK(n->status == MCI_NOTIFY_SUCCESSFUL);
    }
    SUBCASE("a disc taken out during a play ends it, silently as on NT") {
        Disc d = discWithTracks(kLong);
        Statuses expected;
        SUBCASE("NT") {}
        SUBCASE("old platform") {
            d.notifyEnd = true;
            expected = Statuses{MCI_NOTIFY_FAILURE};
        }
        Session s(d);
        REQUIRE(s.cd.play(MCI_NOTIFY | MCI_FROM, tmsf(1), 0, s.cb()) == 0);
        REQUIRE(simdrive::writeDisc(Disc()));
        CHECK(s.cd.get(MCI_STATUS_MODE) == MCI_MODE_OPEN);
        CHECK(s.win.statuses(50) == expected);
    }
}

TEST_CASE("a slow start reports seeking or stopped before playing") {
    Disc d = discWithTracks({300, 300, 300});
    d.startDelayMs = 200;
    d.notifyEnd = true;
    DWORD modeWhileStarting = MCI_MODE_SEEK;
    SUBCASE("seek") {}
    SUBCASE("stop") {
        d.startDelayStop = true;
        modeWhileStarting = MCI_MODE_STOP;
    }
    Session s(d);
    DWORD start = GetTickCount();
    REQUIRE(s.cd.play(MCI_NOTIFY | kFromTo, tmsf(2), tmsf(3), s.cb()) == 0);
    CHECK(s.cd.get(MCI_STATUS_MODE) == modeWhileStarting);
    CHECK(s.cd.get(MCI_STATUS_POSITION) == tmsf(2));
    Sleep(300);
    CHECK(s.cd.get(MCI_STATUS_MODE) == MCI_MODE_PLAY);
    auto n = s.win.wait(3000);
    REQUIRE(n);
    CHECK(n->status == MCI_NOTIFY_SUCCESSFUL);
    CHECK(GetTickCount() - start >= 480);
}

TEST_CASE("play positions are checked and logged in the current time format") {
    Session s(shortDisc());
    Cd& cd = s.cd;
    CHECK(cd.play(MCI_FROM, tmsf(0)) == MCIERR_OUTOFRANGE);
    CHECK(cd.play(MCI_FROM, tmsf(4)) == MCIERR_OUTOFRANGE);
    CHECK(cd.play(MCI_FROM, tmsf(1, 0, 60)) == MCIERR_OUTOFRANGE);
    CHECK(cd.play(kFromTo, tmsf(1), tmsf(3, 1)) == MCIERR_OUTOFRANGE);  // past the end of the disc
    CHECK(cd.play(kFromTo, tmsf(3), tmsf(2)) == MCIERR_OUTOFRANGE);
    CHECK(cd.get(MCI_STATUS_MODE) == MCI_MODE_STOP);

    REQUIRE(cd.setFormat(MCI_FORMAT_MSF) == 0);
    CHECK(cd.play(MCI_WAIT | kFromTo, MCI_MAKE_MSF(0, 0, 30), MCI_MAKE_MSF(0, 0, 37)) == 0);
    REQUIRE(cd.setFormat(MCI_FORMAT_MILLISECONDS) == 0);
    CHECK(cd.play(MCI_WAIT | kFromTo, 500, 600) == 0);
    CHECK(cd.get(MCI_STATUS_POSITION) == 600);

    REQUIRE(simdrive::writeDisc(Disc()));
    CHECK(cd.play(MCI_FROM, 0) == MCIERR_DEVICE_NOT_READY);

    Lines log = readLog();
    REQUIRE(log.size() == 12);
    CHECK(log[0] == "MCI_PLAY MCI_FROM from=0:00:00:00 -> 282");
    CHECK(log[2] == "MCI_PLAY MCI_FROM from=1:00:60:00 -> 282");
    CHECK(log[7] == "MCI_PLAY MCI_WAIT|MCI_FROM|MCI_TO from=00:00:30 to=00:00:37 -> 0");
    CHECK(log[9] == "MCI_PLAY MCI_WAIT|MCI_FROM|MCI_TO from=500 to=600 -> 0");
    CHECK(log[11] == "MCI_PLAY MCI_FROM from=0 -> 276");
}

TEST_CASE("closing while a play runs") {
    Disc d = shortDisc();
    d.notifyEnd = true;
    SUBCASE("playing") {}
    SUBCASE("still starting") { d.startDelayMs = 200; }
    const int threadsBefore = threadsInProcess();
    Session s(d);
    REQUIRE(s.cd.play(MCI_NOTIFY | kFromTo, tmsf(1), tmsf(2), s.cb()) == 0);
    DWORD start = GetTickCount();
    CHECK(s.cd.close() == 0);
    CHECK(GetTickCount() - start < 200);
    // The driver is unloaded at close, so its completion thread must be gone by then.
    CHECK(GetModuleHandleW(L"cdsim.dll") == nullptr);
    CHECK(threadsInProcess() == threadsBefore);
    // Aborted, and nothing more once the play would have ended.
    CHECK(s.win.statuses(d.startDelayMs + 350) == Statuses{MCI_NOTIFY_ABORTED});
    CHECK(readLog() == Lines{
        "MCI_PLAY MCI_NOTIFY|MCI_FROM|MCI_TO from=1:00:00:00 to=2:00:00:00 -> 0",
        "MCI_CLOSE MCI_WAIT -> 0",
        "NOTIFY MCI_NOTIFY_ABORTED",
    });
    // The driver was unloaded cleanly: it opens and plays again.
    Cd again;
    REQUIRE(again.id != 0);
    CHECK(again.play(MCI_WAIT | MCI_FROM, MCI_MAKE_MSF(0, 0, 37)) == 0);
}

TEST_CASE("a slow drive keeps its caller waiting at close") {
    Disc d = shortDisc();
    d.closeDelayMs = 300;
    Session s(d);
    DWORD start = GetTickCount();
    CHECK(s.cd.close() == 0);
    CHECK(GetTickCount() - start >= 290);
}

TEST_CASE("other commands are logged and refused") {
    Session s(shortDisc());
    MCI_INFO_PARMSA info = {};
    char buf[64];
    info.lpstrReturn = buf;
    info.dwRetSize = sizeof buf;
    CHECK(mciSendCommandA(s.cd.id, MCI_INFO, MCI_WAIT | MCI_INFO_PRODUCT, reinterpret_cast<DWORD_PTR>(&info)) ==
          MCIERR_UNSUPPORTED_FUNCTION);
    CHECK(s.cd.simple(MCI_RESUME, MCI_WAIT) == MCIERR_UNSUPPORTED_FUNCTION);
    CHECK(s.cd.simple(0x0FF0, 0) == MCIERR_UNRECOGNIZED_COMMAND);
    DWORD_PTR v;
    CHECK(s.cd.status(MCI_STATUS_READY, v, 0x10000000) == 0);
    CHECK(readLog() == Lines{
        "MCI_INFO MCI_WAIT|0x100 -> 274",
        "MCI_RESUME MCI_WAIT -> 274",
        "0xff0 0 -> 261",
        "MCI_STATUS MCI_STATUS_ITEM|0x10000000 item=MCI_STATUS_READY -> 0 return=TRUE",
    });
}
