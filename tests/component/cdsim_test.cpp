// The simulated drive, driven through the real winmm exactly as the player drives it.

#include <doctest/doctest.h>

#include <windows.h>
#include <mmsystem.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "support/sim_drive.h"

using simdrive::Disc;
using simdrive::discWithTracks;
using simdrive::readLog;

namespace {

using Lines = std::vector<std::string>;
using Statuses = std::vector<WPARAM>;

// Short tracks keep the suite quick; the long ones are for checks made mid-play.
Disc shortDisc() { return discWithTracks({250, 250, 250}); }
Disc longDisc() { return discWithTracks({1500, 1500}); }

DWORD tmsf(int track) { return MCI_MAKE_TMSF(track, 0, 0, 0); }

// An open cdaudio device, closed at the end of the scope.
struct Cd {
    MCIDEVICEID id = 0;
    DWORD openError = 0;

    Cd() {
        MCI_OPEN_PARMSA p = {};
        p.lpstrDeviceType = "cdaudio";
        openError = send(MCI_OPEN, MCI_WAIT | MCI_OPEN_TYPE, p);
        if (openError == 0) id = p.wDeviceID;
    }
    ~Cd() { close(); }
    Cd(const Cd&) = delete;
    Cd& operator=(const Cd&) = delete;

    template <typename Parms>
    DWORD send(UINT msg, DWORD flags, Parms& p) {
        return mciSendCommandA(id, msg, flags, reinterpret_cast<DWORD_PTR>(&p));
    }
    DWORD command(UINT msg, DWORD flags, DWORD_PTR callback = 0) {
        MCI_GENERIC_PARMS p = {callback};
        return send(msg, flags, p);
    }
    DWORD close() {
        DWORD err = id ? command(MCI_CLOSE, MCI_WAIT) : 0;
        id = 0;
        return err;
    }
    DWORD setTmsf(DWORD flags = MCI_WAIT, DWORD_PTR callback = 0) {
        MCI_SET_PARMS p = {callback, MCI_FORMAT_TMSF, 0};
        return send(MCI_SET, flags | MCI_SET_TIME_FORMAT, p);
    }
    DWORD status(DWORD item, DWORD_PTR& value, DWORD flags = MCI_WAIT, DWORD_PTR callback = 0) {
        MCI_STATUS_PARMS p = {callback, 0, item, 0};
        DWORD err = send(MCI_STATUS, flags | MCI_STATUS_ITEM, p);
        value = p.dwReturn;
        return err;
    }
    // The item's value; fails the test if the drive answers with an error.
    DWORD_PTR get(DWORD item) {
        DWORD_PTR v = 0;
        DWORD err = status(item, v);
        CHECK_MESSAGE(err == 0, "status item " << item << " failed with " << err);
        return v;
    }
    // As the player plays: asynchronously, with a notification.
    DWORD play(DWORD_PTR callback, DWORD from, DWORD to = 0) {
        MCI_PLAY_PARMS p = {callback, from, to};
        return send(MCI_PLAY, MCI_NOTIFY | MCI_FROM | (to ? MCI_TO : 0), p);
    }
};

// Opens the drive in TMSF with the given disc and an empty log.
struct Session {
    bool written;  // first, so the disc is in place before the device opens
    simdrive::NotifyWindow win;
    Cd cd;
    explicit Session(const Disc& disc) : written(simdrive::writeDisc(disc)) {
        REQUIRE(written);
        REQUIRE(cd.id != 0);
        REQUIRE(cd.setTmsf() == 0);
        REQUIRE(simdrive::clearLog());
    }
    DWORD_PTR cb() const { return win.callback(); }
};

int threadsInProcess() {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 te = {};
    te.dwSize = sizeof te;
    int n = 0;
    for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te)) n += te.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snap);
    return n;
}

// The log line of play(cb, tmsf(1), tmsf(2)), without its answer.
const std::string kPlayTrack1 = "MCI_PLAY MCI_NOTIFY|MCI_FROM|MCI_TO from=1:00:00:00 to=2:00:00:00 -> ";

std::string shown(const std::string& line) { return '"' + line + '"'; }
std::string shown(WPARAM status) { return simdrive::notifyName(status); }

}  // namespace

// Readable failures for the log and notification lists the tests compare.
namespace doctest {
template <typename T>
struct StringMaker<std::vector<T>> {
    static String convert(const std::vector<T>& items) {
        std::string out = "{";
        for (const T& item : items) out += "\n  " + shown(item);
        return (out + "\n}").c_str();
    }
};
}  // namespace doctest

TEST_CASE("the player's commands reach the drive through winmm and are logged") {
    REQUIRE(simdrive::writeDisc(discWithTracks({300, 400, 500})));
    REQUIRE(simdrive::clearLog());
    Cd cd;
    REQUIRE(cd.openError == 0);
    CHECK(cd.setTmsf() == 0);
    CHECK(cd.get(MCI_STATUS_MEDIA_PRESENT) == TRUE);
    CHECK(cd.get(MCI_STATUS_READY) == TRUE);
    CHECK(cd.get(MCI_STATUS_NUMBER_OF_TRACKS) == 3);
    CHECK(cd.get(MCI_STATUS_MODE) == MCI_MODE_STOP);
    CHECK(cd.get(MCI_STATUS_POSITION) == tmsf(1));
    CHECK(cd.get(MCI_STATUS_CURRENT_TRACK) == 1);
    CHECK(cd.close() == 0);
    CHECK(readLog() == Lines{
        "MCI_OPEN MCI_WAIT|MCI_OPEN_TYPE type=cdaudio -> 0",
        "MCI_SET MCI_WAIT|MCI_SET_TIME_FORMAT format=TMSF -> 0",
        "MCI_STATUS MCI_WAIT|MCI_STATUS_ITEM item=MCI_STATUS_MEDIA_PRESENT -> 0 return=TRUE",
        "MCI_STATUS MCI_WAIT|MCI_STATUS_ITEM item=MCI_STATUS_READY -> 0 return=TRUE",
        "MCI_STATUS MCI_WAIT|MCI_STATUS_ITEM item=MCI_STATUS_NUMBER_OF_TRACKS -> 0 return=3",
        "MCI_STATUS MCI_WAIT|MCI_STATUS_ITEM item=MCI_STATUS_MODE -> 0 return=MCI_MODE_STOP",
        "MCI_STATUS MCI_WAIT|MCI_STATUS_ITEM item=MCI_STATUS_POSITION -> 0 return=1:00:00:00",
        "MCI_STATUS MCI_WAIT|MCI_STATUS_ITEM item=MCI_STATUS_CURRENT_TRACK -> 0 return=1",
        "MCI_CLOSE MCI_WAIT -> 0",
    });
}

TEST_CASE("a play runs asynchronously until its end or until the disc is taken out") {
    Disc d = shortDisc();
    SUBCASE("the old platform notifies the natural end") {
        d.notifyEnd = true;
        Session s(d);
        DWORD start = GetTickCount();
        REQUIRE(s.cd.play(s.cb(), tmsf(1), tmsf(2)) == 0);
        CHECK(s.cd.get(MCI_STATUS_MODE) == MCI_MODE_PLAY);
        auto n = s.win.wait(3000);
        REQUIRE(n);
        CHECK(n->status == MCI_NOTIFY_SUCCESSFUL);
        CHECK(n->device == static_cast<LPARAM>(s.cd.id));
        CHECK(GetTickCount() - start >= 230);
        CHECK(readLog().back() == "NOTIFY MCI_NOTIFY_SUCCESSFUL");
        CHECK(s.cd.get(MCI_STATUS_MODE) == MCI_MODE_STOP);
        CHECK(s.cd.get(MCI_STATUS_POSITION) == tmsf(2));
    }
    SUBCASE("NT leaves the notification waiting; the drive still stops") {
        Session s(d);
        REQUIRE(s.cd.play(s.cb(), tmsf(1), tmsf(2)) == 0);
        CHECK(s.win.statuses(350).empty());
        CHECK(s.cd.get(MCI_STATUS_MODE) == MCI_MODE_STOP);
        REQUIRE(s.cd.command(MCI_STOP, MCI_WAIT) == 0);
        CHECK(s.win.statuses(50) == Statuses{MCI_NOTIFY_ABORTED});
    }
    SUBCASE("a disc taken out ends the play; only the old platform reports it") {
        for (bool notifyEnd : {false, true}) {
            CAPTURE(notifyEnd);
            Disc disc = longDisc();
            disc.notifyEnd = notifyEnd;
            Session s(disc);
            REQUIRE(s.cd.play(s.cb(), tmsf(1), tmsf(2)) == 0);
            REQUIRE(simdrive::writeDisc(Disc()));
            CHECK(s.cd.get(MCI_STATUS_MODE) == MCI_MODE_OPEN);
            CHECK(s.win.statuses(50) == (notifyEnd ? Statuses{MCI_NOTIFY_FAILURE} : Statuses{}));
            // The disc put back does not resume the play.
            REQUIRE(simdrive::writeDisc(disc));
            CHECK(s.cd.get(MCI_STATUS_MODE) == MCI_MODE_STOP);
        }
    }
}

TEST_CASE("the next command ends a waiting play notification") {
    struct Row {
        const char* what;
        UINT msg;
        DWORD flags;
        Statuses posted;
        DWORD modeAfter;
    };
    const Row rows[] = {
        {"another play aborts it", MCI_PLAY, MCI_NOTIFY, {MCI_NOTIFY_ABORTED}, MCI_MODE_PLAY},
        {"stop aborts it", MCI_STOP, MCI_WAIT, {MCI_NOTIFY_ABORTED}, MCI_MODE_STOP},
        {"stop aborts it, then notifies itself", MCI_STOP, MCI_NOTIFY, {MCI_NOTIFY_ABORTED, MCI_NOTIFY_SUCCESSFUL}, MCI_MODE_STOP},
        {"a status asking for a notification supersedes it; the play goes on", MCI_STATUS, MCI_NOTIFY,
         {MCI_NOTIFY_SUPERSEDED, MCI_NOTIFY_SUCCESSFUL}, MCI_MODE_PLAY},
        {"a status without MCI_NOTIFY leaves it waiting", MCI_STATUS, MCI_WAIT, {}, MCI_MODE_PLAY},
    };
    for (const Row& row : rows) {
        CAPTURE(row.what);
        Session s(longDisc());
        REQUIRE(s.cd.play(s.cb(), tmsf(1), tmsf(2)) == 0);
        DWORD_PTR v;
        if (row.msg == MCI_PLAY) REQUIRE(s.cd.play(s.cb(), tmsf(2)) == 0);
        else if (row.msg == MCI_STATUS) REQUIRE(s.cd.status(MCI_STATUS_MODE, v, row.flags, s.cb()) == 0);
        else REQUIRE(s.cd.command(row.msg, row.flags, s.cb()) == 0);
        CHECK(s.win.statuses(50) == row.posted);
        // Logged right after the command that caused them.
        Lines log = readLog(), notices;
        for (WPARAM status : row.posted) notices.push_back("NOTIFY " + simdrive::notifyName(status));
        REQUIRE(log.size() >= 2);
        CHECK(Lines(log.begin() + 2, log.end()) == notices);
        CHECK(s.cd.get(MCI_STATUS_MODE) == row.modeAfter);
    }
}

TEST_CASE("faults set in the control file") {
    Disc d = shortDisc();
    SUBCASE("the open fails, as when another program holds the drive") {
        d.failOpen = true;
        REQUIRE(simdrive::writeDisc(d));
        REQUIRE(simdrive::clearLog());
        Cd cd;
        CHECK(cd.openError == MCIERR_DEVICE_OPEN);
        CHECK(cd.id == 0);
        CHECK(readLog() == Lines{"MCI_OPEN MCI_WAIT|MCI_OPEN_TYPE type=cdaudio -> 265"});
    }
    SUBCASE("a refused set or play notifies nothing and keeps no notification") {
        Session s(d);
        d.failTimeFormat = true;
        d.failPlay = true;
        d.notifyEnd = true;
        REQUIRE(simdrive::writeDisc(d));
        CHECK(s.cd.setTmsf(MCI_NOTIFY, s.cb()) == MCIERR_BAD_TIME_FORMAT);
        CHECK(s.cd.play(s.cb(), tmsf(1), tmsf(2)) == MCIERR_HARDWARE);
        CHECK(s.win.statuses(350).empty());
        CHECK(readLog() == Lines{"MCI_SET MCI_NOTIFY|MCI_SET_TIME_FORMAT format=TMSF -> 293", kPlayTrack1 + "262"});
        CHECK(s.cd.get(MCI_STATUS_MODE) == MCI_MODE_STOP);
    }
    SUBCASE("the play fails some time in") {
        d = longDisc();
        d.failAfterMs = 150;
        Session s(d);
        DWORD start = GetTickCount();
        REQUIRE(s.cd.play(s.cb(), tmsf(1), tmsf(2)) == 0);
        auto n = s.win.wait(3000);
        REQUIRE(n);
        CHECK(n->status == MCI_NOTIFY_FAILURE);
        CHECK(GetTickCount() - start >= 130);
        CHECK(GetTickCount() - start < 1400);
        CHECK(readLog() == Lines{kPlayTrack1 + "0", "NOTIFY MCI_NOTIFY_FAILURE"});
        CHECK(s.cd.get(MCI_STATUS_MODE) == MCI_MODE_STOP);
    }
}

TEST_CASE("a missing or malformed control file means an empty drive") {
    Session s(shortDisc());
    auto present = [&] { return s.cd.get(MCI_STATUS_MEDIA_PRESENT); };
    REQUIRE(present() == TRUE);
    REQUIRE(simdrive::removeControlFile());
    CHECK(present() == FALSE);

    const std::string malformed[] = {
        "present=1\ntracks=300\nvolume=5\n",    // unknown key
        "present=1\ntracks=300\nnotify_end\n",  // no '='
        "present=1\ntracks=300,-300\n",         // not plain digits
        "present=1\n",                          // a readable disc without tracks
        "present=1\ntracks=300\n" + std::string(70000, '#') + "\n",  // too large
    };
    for (const std::string& text : malformed) {
        CAPTURE(text.substr(0, 40));
        REQUIRE(simdrive::writeControlText(text));
        CHECK(present() == FALSE);
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
    REQUIRE(s.cd.play(s.cb(), tmsf(2), tmsf(3)) == 0);
    CHECK(s.cd.get(MCI_STATUS_MODE) == modeWhileStarting);
    CHECK(s.cd.get(MCI_STATUS_POSITION) == tmsf(2));
    Sleep(300);
    CHECK(s.cd.get(MCI_STATUS_MODE) == MCI_MODE_PLAY);
    auto n = s.win.wait(3000);
    REQUIRE(n);
    CHECK(n->status == MCI_NOTIFY_SUCCESSFUL);
    CHECK(GetTickCount() - start >= 480);
}

TEST_CASE("closing while a play runs") {
    Disc d = shortDisc();
    d.notifyEnd = true;
    SUBCASE("playing") {}
    SUBCASE("still starting") { d.startDelayMs = 200; }
    SUBCASE("on a slow drive, which keeps its caller waiting") { d.closeDelayMs = 300; }
    const int threadsBefore = threadsInProcess();
    Session s(d);
    REQUIRE(s.cd.play(s.cb(), tmsf(1), tmsf(2)) == 0);
    DWORD start = GetTickCount();
    CHECK(s.cd.close() == 0);
    DWORD took = GetTickCount() - start;
    CHECK(took + 10 >= d.closeDelayMs);
    CHECK(took < d.closeDelayMs + 200);
    // The driver is unloaded at close, so its completion thread must be gone by then.
    CHECK(GetModuleHandleW(L"cdsim.dll") == nullptr);
    CHECK(threadsInProcess() == threadsBefore);
    // Aborted, and nothing more once the play would have ended.
    CHECK(s.win.statuses(d.startDelayMs + 350) == Statuses{MCI_NOTIFY_ABORTED});
    CHECK(readLog() == Lines{kPlayTrack1 + "0", "MCI_CLOSE MCI_WAIT -> 0", "NOTIFY MCI_NOTIFY_ABORTED"});
    // Unloaded cleanly: it loads and answers again.
    Cd again;
    REQUIRE(again.id != 0);
    CHECK(again.get(MCI_STATUS_NUMBER_OF_TRACKS) == 3);
}
