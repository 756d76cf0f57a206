// Works the real player for a while in a seeded random sequence of what a user, the
// session and the drive may do to it, and checks between steps that it still answers,
// shows no box, sends the drive nothing out of place and saves sound settings.
//   soak SECONDS SEED
// The same seed gives the same sequence of operations. Each operation, and every line
// of the drive's log, goes to stderr; each failure to stdout, naming seed and step.
#include <windows.h>
#include <shellapi.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "control_file.h"
#include "drive_watch.h"
#include "driver.h"
#include "mci_log.h"
#include "res/resource.h"

namespace {

const char kExe[] = "C:\\veltoCD\\veltoCD.exe";
const char kDir[] = "C:\\veltoCD";
const char kSettings[] = "C:\\veltoCD\\veltoCD.ini";
const DWORD kAnswerMs = 2000;
// Longer than the slowest tick (1500 ms) with room for a loaded machine.
const DWORD kQuietMs = 8000;

// splitmix64: small, and the same on every build, unlike the library's distributions.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }
    int Between(int lo, int hi) { return lo + Below(hi - lo + 1); }
    bool Chance(int percent) { return Below(100) < percent; }

private:
    uint64_t state_;
};

std::string Format(const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

std::string ReadFileBytes(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// What the settings file should hold after the next clean close, as far as the soak knows.
struct Expected {
    int reverb = 5;
    int tune = IDC_MODERATO;
    int whim = 300;
};

class Soak {
public:
    Soak(DWORD seconds, uint32_t seed) : seconds_(seconds), seed_(seed), random_(seed) {}
    int Run();

private:
    // Operations. Each draws its choices from random_ before it looks at the player, so a
    // seed replays the same sequence whatever the player did.
    void Step();
    void Command();
    void AltKey();
    void MediaKey();
    void Menu();
    void ListChoice();
    void Settings(bool opened);
    void DiscInOut();
    void DiscFault();
    void MoveWindow();
    void TrayRestart();
    void SecondInstance();
    void Idle();
    void Restart(int how);
    void CancelledLogOff();

    // The player's life.
    bool Start();
    void Close(int how);
    void Ended(const char* how, DWORD code);
    void CheckSettingsFile(bool afterFailedStart);
    void WriteSettingsFile();

    // Checks.
    void Between();
    void Fail(const std::string& what);
    void Log(const std::string& text);
    void Begin(const std::string& what);
    void Drive();
    bool Running() const { return player_ && player_->window != nullptr && player_->Running(); }
    HWND MainWindow() const;
    void PutDisc(const char* why);
    void AwaitNoticedAbsence();
    bool AwaitMenu(const char* how);
    bool MenuGone(const std::string& keys);
    void LetKeysThrough();

    const DWORD seconds_;
    const uint32_t seed_;
    Random random_;
    int step_ = 0;
    int failures_ = 0;
    std::string op_;
    DWORD started_ = GetTickCount();

    std::unique_ptr<driver::Player> player_;
    cdsim::DiscConfig disc_;
    DriveWatch drive_;
    Expected expected_;
    bool expectingBox_ = false;
    SIZE_T firstBytes_ = 0;
    RECT lastRect_ = {};
    POINT lastStageClick_ = {-100, -100};
    int trayClicks_ = 0;
    bool keysQueued_ = false;  // typed to the player, perhaps not yet taken
    std::string settingsBefore_;
    HWND bystander_ = nullptr;
};

void Soak::Log(const std::string& text)
{
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
}

void Soak::Begin(const std::string& what)
{
    op_ = what;
    Log(Format("step %d +%lus: %s", step_, (GetTickCount() - started_) / 1000, what.c_str()));
}

void Soak::Fail(const std::string& what)
{
    ++failures_;
    const std::string text = Format("FAIL seed %u step %d (%s): ", seed_, step_, op_.c_str()) + what;
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
    Log(text);
}

void Soak::Drive()
{
    std::vector<std::string> faults;
    std::string echo;
    drive_.Take(faults, echo);
    if (!echo.empty()) std::fprintf(stderr, "%s", echo.c_str());
    for (const std::string& fault : faults) Fail(fault);
}

HWND Soak::MainWindow() const
{
    HWND window = nullptr;
    for (HWND w : player_->Shown("#32770")) {
        window = driver::TextOf(w) == "veltoCD" && GetWindow(w, GW_OWNER) == nullptr ? w : window;
    }
    return window;
}

void Soak::PutDisc(const char* why)
{
    if (!cdsim::writeControl(disc_)) Fail("could not write disc.txt");
    std::string text = cdsim::formatControl(disc_);
    for (char& c : text) c = c == '\n' ? ' ' : c;
    Log(Format("  disc (%s): %s", why, text.c_str()));
}

// Between operations: the player runs, answers at once, shows no box, and its drive
// traffic is sound.
void Soak::Between()
{
    Drive();
    if (!player_ || player_->window == nullptr) return;
    if (!player_->Running()) {
        DWORD code = 0;
        GetExitCodeProcess(player_->Process(), &code);
        Fail(Format("the player ended by itself, exit code 0x%lx", code));
        std::string file = ReadFileBytes(kSettings);
        for (char& c : file) c = c == '\r' || c == '\n' ? ' ' : c;
        Log("  settings file now: " + file);
        player_.reset();
        return;
    }
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(player_->window, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerMs, &result)) {
        Fail(Format("no answer to WM_NULL within %lu ms", kAnswerMs));
    }
    if (HWND box = player_->OwnedDialog()) {
        std::string text;
        for (HWND label : driver::ChildrenOf(box, "Static")) text += driver::TextOf(label);
        Fail("a box is showing: \"" + driver::TextOf(box) + "\": \"" + text + "\"");
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        driver::PumpUntil([&] { return !IsWindow(box); }, driver::kTimeoutMs);
    }
    if (!player_->Shown("#32768").empty()) {
        Fail("a menu is still open");
        driver::Press(player_->window, VK_ESCAPE);
    }
    if (drive_.DeviceOpen() && drive_.QuietFor() > kQuietMs) {
        Fail(Format("no status query for %lu ms although the device is open: the tick has stopped", drive_.QuietFor()));
    }
    GetWindowRect(player_->window, &lastRect_);
}

int Soak::Run()
{
    std::printf("soak: seed %u, %lu s, %s\n", seed_, seconds_, sizeof(void*) == 4 ? "i686" : "x86_64");
    std::fflush(stdout);
    bystander_ =
        CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, 860, 690, 160, 60, nullptr, nullptr, nullptr, nullptr);
    disc_ = cdsim::discWithTracks({20000, 8000, 30000, 5000});
    op_ = "first start";
    PutDisc("first");
    WriteSettingsFile();
    if (Start()) firstBytes_ = player_->PrivateBytes();
    Log(Format("  private bytes at the first start: %lu", static_cast<unsigned long>(firstBytes_)));
    while (GetTickCount() - started_ < seconds_ * 1000) {
        ++step_;
        Step();
        Between();
    }
    op_ = "last close";
    if (Running()) Close(0);
    DestroyWindow(bystander_);
    std::printf("%d operations, %d failures\n", step_, failures_);
    return failures_ == 0 ? 0 : 1;
}

void Soak::Step()
{
    // Weights: mostly what a user does, now and then the drive, the session and the shell.
    static const int weights[] = {16, 10, 8, 10, 8, 4, 6, 5, 3, 2, 2, 10, 3, 1};
    int total = 0;
    for (int w : weights) total += w;
    int pick = random_.Below(total);
    int kind = 0;
    while (pick >= weights[kind]) pick -= weights[kind++];
    const int how = random_.Below(100);  // drawn for every step, used by Restart
    if (!Running() && kind != 12) {
        Begin("start (the player was not running)");
        disc_.failOpen = false;
        PutDisc("the drive free for a start");
        if (!Start()) return;
        Between();
    }
    switch (kind) {
    case 0:
        Command();
        break;
    case 1:
        AltKey();
        break;
    case 2:
        MediaKey();
        break;
    case 3:
        Menu();
        break;
    case 4:
        ListChoice();
        break;
    case 5:
        Settings(false);
        break;
    case 6:
        DiscInOut();
        break;
    case 7:
        DiscFault();
        break;
    case 8:
        MoveWindow();
        break;
    case 9:
        TrayRestart();
        break;
    case 10:
        SecondInstance();
        break;
    case 11:
        Idle();
        break;
    case 12:
        Restart(how);
        break;
    default:
        CancelledLogOff();
        break;
    }
}

// A menu item's command posted to the window, as the menu itself posts it.
void Soak::Command()
{
    static const std::pair<int, const char*> commands[] = {
        {IDM_PREV, "IDM_PREV"},         {IDM_PLAY, "IDM_PLAY"},           {IDM_STOP, "IDM_STOP"},
        {IDM_NEXT, "IDM_NEXT"},         {IDM_RANDOM, "IDM_RANDOM"},       {IDM_AUTOREPEAT, "IDM_AUTOREPEAT"},
        {IDM_ONETRACK, "IDM_ONETRACK"}, {IDM_ALLTRACKS, "IDM_ALLTRACKS"}, {IDM_TOPMOST, "IDM_TOPMOST"}};
    const auto& command = commands[random_.Below(sizeof commands / sizeof commands[0])];
    Begin(std::string("command ") + command.second);
    PostMessageA(player_->window, WM_COMMAND, MAKEWPARAM(command.first, 0), 0);
}

void Soak::AltKey()
{
    static const char keys[] = "AZXCV";
    const char key = keys[random_.Below(5)];
    Begin(Format("Alt+%c", key));
    if (!player_->Press(key, VK_MENU)) Fail(Format("Alt+%c could not be typed", key));
    keysQueued_ = true;
}

// Hot keys: they reach the player whichever window of the session has the focus.
void Soak::MediaKey()
{
    static const std::pair<WORD, const char*> keys[] = {{VK_MEDIA_PLAY_PAUSE, "Play/Pause"},
                                                        {VK_MEDIA_STOP, "Stop"},
                                                        {VK_MEDIA_PREV_TRACK, "Previous"},
                                                        {VK_MEDIA_NEXT_TRACK, "Next"}};
    const auto& key = keys[random_.Below(4)];
    const bool elsewhere = random_.Chance(50);
    Begin(Format("media key %s, focus on %s", key.second, elsewhere ? "another window" : "the player"));
    if (!driver::Press(elsewhere ? bystander_ : player_->window, key.first)) Fail("the key could not be typed");
}

bool Soak::AwaitMenu(const char* how)
{
    if (driver::PumpUntil([&] { return player_->Shown("#32768").size() == 1; }, driver::kTimeoutMs)) return true;
    Fail(std::string("no menu opened after ") + how);
    return false;
}

// Keys typed to the player wait in its queue while it is busy with the drive, and a message
// posted to it overtakes them: a menu so opened would take a stale Alt for its own and close.
// The menu key queues behind them, and the menu it opens shows that they are through.
void Soak::LetKeysThrough()
{
    if (!keysQueued_) return;
    Log("  keys typed before it may still wait: a menu by the menu key first, closed by Esc");
    if (player_->Press(VK_APPS) && AwaitMenu("the menu key") && driver::Press(player_->window, VK_ESCAPE)) {
        MenuGone("Esc");
    }
    keysQueued_ = false;
}

bool Soak::MenuGone(const std::string& keys)
{
    if (driver::PumpUntil([&] { return player_->Shown("#32768").empty(); }, driver::kTimeoutMs)) return true;
    Fail("the menu stayed open after the keys " + keys);
    for (int i = 0; i < 3 && !player_->Shown("#32768").empty(); ++i) driver::Press(player_->window, VK_ESCAPE);
    return false;
}

// The real menu, opened one of the ways a user opens it, and an item chosen with its key.
void Soak::Menu()
{
    static const char* const openers[] = {"a right click on the stage", "IDM_MENU", "Shift+F10", "the menu key",
                                          "a right click on the tray icon"};
    static const char* const choices[] = {"A", "Z", "X", "C", "V", "SZ", "SX", "SC", "SV", "G", "Q", "\x1b"};
    const int opener = random_.Below(5);
    const std::string keys = choices[random_.Below(sizeof choices / sizeof choices[0])];
    const int spotX = random_.Between(8, 136), spotY = random_.Between(40, 96);
    Begin(std::string("menu by ") + openers[opener] + ", keys " + (keys == "\x1b" ? "Esc" : keys));
    HWND window = player_->window;
    bool opened = false;
    if (opener == 0) {
        POINT at = {spotX, spotY};
        ClientToScreen(window, &at);
        // Not a double click: the platform keeps the last click of each process. The step
        // goes towards the middle, so the click stays on the stage, off the window's frame.
        if (std::abs(at.x - lastStageClick_.x) < 8 && std::abs(at.y - lastStageClick_.y) < 8)
            at.x += spotX < 72 ? 16 : -16;
        driver::BringToFront(window);
        // Wine restacks windows that overlap as it hears, late, what of them was exposed: a
        // click where the bystander lies may land on it, whatever is on top now.
        RECT aside;
        GetWindowRect(bystander_, &aside);
        if (WindowFromPoint(at) == window && !PtInRect(&aside, at)) {
            lastStageClick_ = at;
            opened = driver::ClickAt(at, true);
        } else {
            Log("  the stage is off the screen or covered there: IDM_MENU instead");
        }
    } else if (opener == 4) {
        const std::vector<HWND> icons = driver::TrayIcons();
        if (icons.size() != 1) {
            Fail(Format("%u icons in the notification area, expected the player's one",
                        static_cast<unsigned>(icons.size())));
        } else {
            RECT rect, player, overlap;
            GetWindowRect(icons[0], &rect);
            GetWindowRect(window, &player);
            // Either side of the middle in turn, so that no click pairs with the last one.
            const POINT at = {(rect.left + rect.right) / 2 + (trayClicks_++ % 2 == 0 ? -4 : 4),
                              (rect.top + rect.bottom) / 2};
            // Not where the player's window lies over any of the icon: restacked, it takes the click.
            if (!IntersectRect(&overlap, &rect, &player)) {
                LetKeysThrough();
                opened = driver::ClickAt(at, true);
            } else {
                Log("  the player's window lies over the icon: IDM_MENU instead");
            }
        }
    } else if (opener == 2 || opener == 3) {
        opened = opener == 2 ? player_->Press(VK_F10, VK_SHIFT) : player_->Press(VK_APPS);
    }
    if (!opened) {
        LetKeysThrough();
        PostMessageA(window, WM_COMMAND, IDM_MENU, 0);
    }
    if (!AwaitMenu(openers[opener])) return;
    keysQueued_ = false;  // whatever was typed before has gone through
    for (char key : keys) {
        // The key reaches the menu through the player's window, which has the focus.
        if (!driver::Press(window, key == '\x1b' ? VK_ESCAPE : static_cast<WORD>(key)))
            Fail("a key could not be typed");
    }
    if (!MenuGone(keys)) return;
    if (keys == "G") {
        Settings(true);
    } else if (keys == "Q") {
        Close(4);
        if (!Running()) Start();
    }
}

// A choice in the track list, as the list reports it or by keys on the focused list.
void Soak::ListChoice()
{
    const int pick = random_.Below(100);
    const bool byKeys = random_.Chance(40);
    static const std::pair<WORD, const char*> keys[] = {
        {VK_DOWN, "Down"}, {VK_UP, "Up"}, {VK_HOME, "Home"}, {VK_END, "End"}};
    const auto& key = keys[random_.Below(4)];
    HWND list = GetDlgItem(player_->window, IDC_TRACKLIST);
    const int count = static_cast<int>(SendMessageA(list, CB_GETCOUNT, 0, 0));
    const size_t mark = drive_.Size();
    if (byKeys) {
        Begin(std::string("list: key ") + key.second);
        if (!driver::BringToFront(player_->window) ||
            !driver::PumpUntil([&] { return driver::Focus(player_->window) == list; }, driver::kTimeoutMs)) {
            Fail("the track list never got the focus");
            return;
        }
        if (!driver::Press(player_->window, key.first)) Fail("the key could not be typed");
        return;  // where the selection was decides whether the key changes it
    }
    const int index = count > 0 ? pick % count : 0;
    Begin(Format("list: entry %d of %d chosen", index + 1, count));
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(list, CB_SETCURSEL, index, 0, SMTO_NORMAL, driver::kTimeoutMs, &result)) {
        Fail("the list did not answer CB_SETCURSEL within 10 s");
    }
    PostMessageA(player_->window, WM_COMMAND, MAKEWPARAM(IDC_TRACKLIST, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    // With the disc taken up and the drive open, a choice plays something (which track may
    // differ when an end of track was already queued). "* No Disc *" alone is no track, even
    // when the disc put in since, not yet taken up, has one track.
    if (disc_.usable() && !disc_.failOpen && drive_.DeviceOpen() && count == static_cast<int>(disc_.tracksMs.size()) &&
        driver::EntryOf(list, 0) != "* No Disc *") {
        const bool played = driver::PumpUntil(
            [&] {
                Drive();
                return drive_.Find(mark, {"MCI_PLAY "}) != DriveWatch::npos;
            },
            driver::kTimeoutMs);
        if (!played) Fail(Format("choosing entry %d of %d sent no play to the drive", index + 1, count));
    }
}

// The settings dialog: the number stepped with the arrows, a tempo chosen, then OK.
void Soak::Settings(bool opened)
{
    const int steps = random_.Below(7);
    std::string arrows;
    for (int i = 0; i < steps; ++i) arrows += random_.Chance(50) ? 'U' : 'D';
    const int tempo = random_.Chance(70) ? IDC_ANDANTE + random_.Below(3) : 0;
    const bool realClick = random_.Chance(30);
    const bool escape = random_.Chance(15);
    const int confirm = random_.Below(3);  // Enter, IDOK posted, a click on OK
    if (!opened) {
        Begin("settings dialog");
        PostMessageA(player_->window, WM_COMMAND, IDM_SETTINGS, 0);
    }
    Log(Format("  arrows \"%s\", tempo %d by %s, %s, confirmed by %s", arrows.c_str(), tempo,
               realClick ? "a click" : "BN_CLICKED", escape ? "Esc first" : "no Esc",
               confirm == 0   ? "Enter"
               : confirm == 1 ? "IDOK"
                              : "a click on OK"));
    HWND dialog = nullptr;
    if (!driver::PumpUntil([&] { return (dialog = player_->OwnedDialog()) != nullptr; }, driver::kTimeoutMs)) {
        Fail("the settings dialog did not open");
        return;
    }
    const std::string title = driver::TextOf(dialog);
    if (title != "veltoCD - 動作設定") Fail("the owned dialog is \"" + title + "\", not the settings dialog");
    const auto number = [&] { return std::atoi(driver::TextOf(GetDlgItem(dialog, IDC_REVERB)).c_str()); };
    const auto marked = [&] {
        int id = 0, count = 0;
        for (int i = IDC_ANDANTE; i <= IDC_ALLEGRO; ++i) {
            if (SendMessageA(GetDlgItem(dialog, i), BM_GETCHECK, 0, 0) == BST_CHECKED) id = i, ++count;
        }
        return count == 1 ? id : -count;
    };
    if (number() != expected_.reverb || marked() != expected_.tune) {
        Fail(Format("the dialog opened with number %d and tempo %d, expected %d and %d", number(), marked(),
                    expected_.reverb, expected_.tune));
    }
    if (!driver::BringToFront(dialog) ||
        !driver::PumpUntil([&] { return driver::Focus(dialog) == GetDlgItem(dialog, IDC_REVERB); },
                           driver::kTimeoutMs)) {
        Fail("the number never got the focus");
    }
    // One arrow at a time, each awaited when it moves the number, so that no value on the
    // way is mistaken for the last. Up runs towards 1; at an end an arrow does nothing.
    int want = number();
    for (size_t i = 0; i < arrows.size(); ++i) {
        const int before = want;
        want = arrows[i] == 'U' ? (want > 1 ? want - 1 : 1) : (want < 8 ? want + 1 : 8);
        driver::Press(dialog, arrows[i] == 'U' ? VK_UP : VK_DOWN);
        if (want != before && !driver::PumpUntil([&] { return number() == want; }, driver::kTimeoutMs)) {
            Fail(Format("after the arrows \"%s\" the number shows %d, expected %d", arrows.substr(0, i + 1).c_str(),
                        number(), want));
            break;
        }
    }
    if (tempo != 0) {
        HWND radio = GetDlgItem(dialog, tempo);
        if (realClick) {
            RECT rect;
            GetWindowRect(radio, &rect);
            driver::ClickAt(POINT{rect.left + 6, (rect.top + rect.bottom) / 2}, false);
        } else {
            // The button's report of a click: Wine's BM_CLICK presses and releases with the
            // mouse captured, and can lose the click if the capture moves in between.
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(tempo, BN_CLICKED), reinterpret_cast<LPARAM>(radio));
        }
        if (!driver::PumpUntil([&] { return marked() == tempo; }, driver::kTimeoutMs)) {
            Fail(Format("tempo %d chosen, the dialog marks %d", tempo, marked()));
        }
    }
    if (escape) driver::Press(dialog, VK_ESCAPE);
    const int reverb = number(), tune = marked();
    if (confirm == 0) {
        driver::Press(dialog, VK_RETURN);
    } else if (confirm == 1) {
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    } else {
        RECT rect;
        GetWindowRect(GetDlgItem(dialog, IDOK), &rect);
        driver::ClickAt(POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}, false);
    }
    if (!driver::PumpUntil([&] { return !IsWindow(dialog); }, driver::kTimeoutMs)) {
        Fail("the settings dialog stayed open after it was confirmed");
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        driver::PumpUntil([&] { return !IsWindow(dialog); }, driver::kTimeoutMs);
    }
    expected_.reverb = reverb;
    expected_.tune = tune;
}

// After the disc goes, wait until the player has asked and heard there is none, so that a
// disc put in later is one it sees arrive.
void Soak::AwaitNoticedAbsence()
{
    if (!drive_.DeviceOpen()) return;
    const size_t mark = drive_.Size();
    const bool noticed = driver::PumpUntil(
        [&] {
            Drive();
            return drive_.Find(mark, {"item=MCI_STATUS_MEDIA_PRESENT", "return=FALSE"}) != DriveWatch::npos ||
                   !drive_.DeviceOpen();
        },
        driver::kTimeoutMs);
    if (!noticed) Fail("the player did not ask for the disc within 10 s of its going");
}

void Soak::DiscInOut()
{
    const int what = random_.Below(3);  // out, in, swap
    std::vector<uint32_t> tracks(random_.Between(1, 12));
    for (uint32_t& ms : tracks) ms = random_.Between(2, 40) * 1000;
    if (what == 0 || (what == 1 && !disc_.present)) {
        Begin(disc_.present ? "disc out" : "disc in");
        if (disc_.present) {
            disc_.present = false;
            PutDisc("out");
            AwaitNoticedAbsence();
        } else {
            disc_.present = true;
            disc_.tracksMs = tracks;
            PutDisc("in");
        }
        return;
    }
    Begin(Format("disc swapped for one of %u tracks", static_cast<unsigned>(tracks.size())));
    if (disc_.present) {
        disc_.present = false;
        PutDisc("out");
        AwaitNoticedAbsence();
    }
    disc_.present = true;
    disc_.tracksMs = tracks;
    PutDisc("in");
}

// A drive that misbehaves: a fault put in, or all of them taken away.
void Soak::DiscFault()
{
    const int what = random_.Below(7);
    const uint32_t ms = random_.Between(1, 10) * 300;
    Begin("drive fault");
    switch (what) {
    case 0:
        disc_.failPlay = !disc_.failPlay;
        break;
    case 1:
        disc_.failOpen = !disc_.failOpen;
        break;
    case 2:
        disc_.failAfterMs = disc_.failAfterMs == 0 ? ms : 0;
        break;
    // Below the 2 s in which the player must answer: it waits for the drive meanwhile.
    case 3:
        disc_.closeDelayMs = disc_.closeDelayMs == 0 ? ms / 3 + 100 : 0;
        break;
    case 4:
        disc_.notifyEnd = !disc_.notifyEnd;
        break;
    case 5:
        disc_.startDelayMs = disc_.startDelayMs == 0 ? ms : 0;
        break;
    default: {
        cdsim::DiscConfig clean = cdsim::discWithTracks(disc_.tracksMs);
        clean.present = disc_.present;
        disc_ = clean;
    }
    }
    PutDisc("fault");
}

void Soak::MoveWindow()
{
    const bool off = random_.Chance(50);
    static const int offX[] = {-2000, -150, 950, 4000}, offY[] = {-1000, -80, 720, 3000};
    const int x = off ? offX[random_.Below(4)] : random_.Between(0, 860);
    const int y = off ? offY[random_.Below(4)] : random_.Between(0, 640);
    Begin(Format("window moved to %d,%d", x, y));
    const bool inFront = GetForegroundWindow() == player_->window;
    SetWindowPos(player_->window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Wine does not map a window that lies off every screen, so the X server's focus falls
    // back to the root; the player hears of it a moment later and loses the foreground. A
    // menu opened or a key typed meanwhile would go with it: wait for that.
    RECT screen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN), 0, 0}, now, overlap;
    screen.right = screen.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    screen.bottom = screen.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    GetWindowRect(player_->window, &now);
    const bool leftScreen = IntersectRect(&overlap, &lastRect_, &screen) && !IntersectRect(&overlap, &now, &screen);
    if (inFront && leftScreen &&
        !driver::PumpUntil([&] { return GetForegroundWindow() != player_->window; }, driver::kTimeoutMs)) {
        Log("  the window left the screen and kept the foreground");
    }
}

// The notification area restarting: it has lost the icon, and tells the programs.
void Soak::TrayRestart()
{
    Begin("notification area restarted");
    NOTIFYICONDATAA record = {};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = player_->window;
    record.uID = 1;
    Shell_NotifyIconA(NIM_DELETE, &record);
    if (!driver::PumpUntil([] { return driver::TrayIcons().empty(); }, driver::kTimeoutMs))
        Fail("the icon could not be taken away");
    static const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    PostMessageA(player_->window, taskbarCreated, 0, 0);
    if (!driver::PumpUntil([] { return driver::TrayIcons().size() == 1; }, driver::kTimeoutMs)) {
        Fail(Format("%u icons after TaskbarCreated, expected the player's one back",
                    static_cast<unsigned>(driver::TrayIcons().size())));
    }
}

void Soak::SecondInstance()
{
    Begin("a second instance started");
    driver::Player second(kExe, false, kDir);
    bool showed = false;
    const bool ended = driver::PumpUntil([&] { return (showed |= !second.Shown("#32770").empty()), !second.Running(); },
                                         driver::kTimeoutMs);
    const DWORD code = second.WaitForExit(0);
    if (!ended || code != 0 || showed) {
        Fail(Format("the second instance %s, exit code 0x%lx, %s", ended ? "ended" : "still ran after 10 s", code,
                    showed ? "showed a window" : "showed nothing"));
    }
}

// Nothing happens for a while: tracks play on and end, the tick runs.
void Soak::Idle()
{
    const DWORD ms = random_.Between(2, 40) * 100;
    Begin(Format("idle %lu ms", ms));
    driver::PumpUntil(
        [&] {
            Drive();
            return false;
        },
        ms);
}

void Soak::CancelledLogOff()
{
    Begin("WM_ENDSESSION FALSE (a cancelled log-off)");
    DWORD_PTR result = 0;
    SendMessageTimeoutA(player_->window, WM_ENDSESSION, FALSE, 0, SMTO_NORMAL, driver::kTimeoutMs, &result);
    if (!IsWindow(player_->window)) {
        Fail("the player closed its window on a cancelled log-off");
        Ended("on WM_ENDSESSION FALSE", player_->WaitForExit());
        Start();
    }
}

void Soak::Restart(int how)
{
    static const char* const ways[] = {"WM_CLOSE", "IDM_EXIT", "WM_ENDSESSION TRUE",
                                       "WM_CLOSE, then WM_ENDSESSION TRUE inside it"};
    const int way = how < 60 ? 0 : how < 75 ? 1 : how < 92 ? 2 : 3;
    const bool rewrite = random_.Chance(30);
    Begin(Format("close by %s, then a fresh start%s", ways[way], rewrite ? " with new settings" : ""));
    if (!Running()) {
        Log("  (it was not running)");
    } else {
        Close(way);
    }
    if (rewrite) WriteSettingsFile();
    if (disc_.failOpen) {
        Start();  // the warning, then the player ends
        disc_.failOpen = false;
        PutDisc("the drive free again");
    }
    Start();
}

// A settings file as a user or an older version may have left it, values out of range
// among them; what the player must make of each is what it should save.
void Soak::WriteSettingsFile()
{
    const bool none = random_.Chance(25);
    static const int reverbs[] = {0, 1, 3, 5, 8, 9, 99, -3};
    static const int tunes[] = {1004, 1005, 1006, 1007, 1008, 0};
    static const int whims[] = {0, 2, 5, 300, -1};
    static const int farX[] = {-3000, 5000}, farY[] = {-2000, 4000};
    const int autoRepeat = random_.Below(2), randomPlay = random_.Below(2), topmost = random_.Below(3);
    const int reverb = reverbs[random_.Below(8)], tune = tunes[random_.Below(6)], whim = whims[random_.Below(5)];
    const int x = random_.Chance(25) ? farX[random_.Below(2)] : random_.Between(0, 860);
    const int y = random_.Chance(25) ? farY[random_.Below(2)] : random_.Between(0, 640);
    SetFileAttributesA(kSettings, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(kSettings);
    if (none) {
        expected_ = Expected();
        Log("  settings file: none");
        return;
    }
    const std::string text =
        Format("[GENERAL]\r\nAutoRepeat=%d\r\nRandomPlay=%d\r\nShowTopMost=%d\r\nReverb=%d\r\nTune=%d\r\n"
               "Whim=%d\r\nWindowPosX=%d\r\nWindowPosY=%d\r\n",
               autoRepeat, randomPlay, topmost, reverb, tune, whim, x, y);
    if (!(std::ofstream(kSettings, std::ios::binary) << text).flush().good()) Fail("could not write the settings file");
    expected_.reverb = reverb < 1 ? 1 : reverb > 8 ? 8 : reverb;
    expected_.tune = tune >= IDC_ANDANTE && tune <= IDC_ALLEGRO ? tune : IDC_MODERATO;
    expected_.whim = whim;
    std::string shown = text;
    for (char& c : shown) c = c == '\r' ? ' ' : c == '\n' ? ' ' : c;
    Log("  settings file: " + shown);
}

void Soak::CheckSettingsFile(bool afterFailedStart)
{
    if (afterFailedStart) {
        if (ReadFileBytes(kSettings) != settingsBefore_) Fail("a start that failed changed the settings file");
        return;
    }
    struct Key {
        const char* name;
        int low, high, want;  // want: the exact value expected, or low - 1 when any in range will do
    };
    const int width = lastRect_.right - lastRect_.left, height = lastRect_.bottom - lastRect_.top;
    // The window is saved where it was, also off the screen: the next start brings it back.
    const int anywhere = 1 << 20;
    const Key keys[] = {
        {"AutoRepeat", 0, 1, -1},
        {"RandomPlay", 0, 1, -1},
        {"ShowTopMost", 0, 1, -1},
        {"Reverb", 1, 8, expected_.reverb},
        {"Tune", IDC_ANDANTE, IDC_ALLEGRO, expected_.tune},
        {"Whim", expected_.whim, expected_.whim, expected_.whim},
        {"WindowPosX", -anywhere, anywhere, static_cast<int>(lastRect_.left)},
        {"WindowPosY", -anywhere, anywhere, static_cast<int>(lastRect_.top)},
    };
    std::string file = ReadFileBytes(kSettings);
    for (char& c : file) c = c == '\r' ? ' ' : c == '\n' ? ' ' : c;
    Log("  settings saved: " + file);
    for (const Key& key : keys) {
        char text[64] = {};
        GetPrivateProfileStringA("GENERAL", key.name, "", text, sizeof text, kSettings);
        char* end = nullptr;
        const long value = std::strtol(text, &end, 10);
        if (text[0] == '\0' || *end != '\0') {
            Fail(Format("the settings file holds %s=\"%s\" after the close, not a number", key.name, text));
        } else if (value < key.low || value > key.high) {
            Fail(Format("the settings file holds %s=%ld after the close, outside %d..%d (window %ldx%ld at %ld,%ld)",
                        key.name, value, key.low, key.high, static_cast<long>(width), static_cast<long>(height),
                        lastRect_.left, lastRect_.top));
        } else if (key.want >= key.low && value != key.want) {
            Fail(Format("the settings file holds %s=%ld after the close, expected %d", key.name, value, key.want));
        }
    }
}

bool Soak::Start()
{
    player_.reset();
    cdsim::clearLog();
    drive_.NewPlayer();
    settingsBefore_ = ReadFileBytes(kSettings);
    const bool busy = disc_.failOpen;
    Log(busy ? "  start, the drive in use" : "  start");
    player_.reset(new driver::Player(kExe, false, kDir));
    if (!player_->Started(false)) {
        Fail("the player could not be started");
        player_.reset();
        return false;
    }
    HWND window = nullptr, box = nullptr;
    driver::PumpUntil(
        [&] {
            return (window = MainWindow()) != nullptr || (box = player_->OwnedDialog()) != nullptr ||
                   !player_->Running();
        },
        2 * driver::kTimeoutMs);
    std::string boxText;
    if (box != nullptr) {
        boxText = driver::TextOf(box);
        for (HWND label : driver::ChildrenOf(box, "Static")) boxText += ": " + driver::TextOf(label);
    }
    if (busy) {
        if (window != nullptr) Fail("the main window showed although the drive could not be opened");
        if (box == nullptr) {
            Fail(player_->Running() ? "no start-up warning within 20 s of a start on a drive in use"
                                    : "the player ended without its start-up warning");
        } else {
            if (driver::TextOf(box) != "veltoCD 初期化エラー")
                Fail("the box at a start on a drive in use is \"" + boxText + "\"");
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        const DWORD code = player_->WaitForExit();
        if (code != 0)
            Fail(Format("after the start-up warning the player %s (0x%lx)",
                        code == STILL_ACTIVE ? "ran on" : "ended with a code", code));
        Drive();
        if (drive_.DeviceOpen()) Fail("the device was left open after the failed start");
        CheckSettingsFile(true);
        player_.reset();
        return false;
    }
    if (box != nullptr) {
        Fail("a box at start: \"" + boxText + "\"");
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    if (window == nullptr) {
        DWORD code = 0;
        GetExitCodeProcess(player_->Process(), &code);
        Fail(player_->Running() ? "no window within 20 s of the start"
                                : Format("the player ended at start, exit code 0x%lx", code));
        player_.reset();
        return false;
    }
    player_->window = window;
    GetWindowRect(window, &lastRect_);
    // Wherever the last run left it, the window starts on the screen.
    const RECT screen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                         GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                         GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    if (lastRect_.left < screen.left || lastRect_.top < screen.top || lastRect_.right > screen.right ||
        lastRect_.bottom > screen.bottom) {
        Fail(Format("the window starts off the screen, at %ld,%ld", lastRect_.left, lastRect_.top));
    }
    if (!driver::PumpUntil(
            [&] {
                Drive();
                return drive_.Find(0, {"item=MCI_STATUS_MEDIA_PRESENT"}) != DriveWatch::npos;
            },
            driver::kTimeoutMs)) {
        Fail("no status query within 10 s of the start: no tick");
    }
    if (disc_.usable() && !disc_.failPlay &&
        !driver::PumpUntil(
            [&] {
                Drive();
                return drive_.Find(0, {"MCI_PLAY "}) != DriveWatch::npos;
            },
            driver::kTimeoutMs)) {
        Fail("a disc in the drive, and no play within 10 s of the start");
    }
    const SIZE_T bytes = player_->PrivateBytes();
    Log(Format("  private bytes after the start: %lu", static_cast<unsigned long>(bytes)));
    if (firstBytes_ != 0 && bytes > firstBytes_ + firstBytes_ / 4 + (1u << 20)) {
        Fail(Format("private bytes after this start %lu, the first start's %lu: more than a quarter and 1 MiB over",
                    static_cast<unsigned long>(bytes), static_cast<unsigned long>(firstBytes_)));
    }
    return true;
}

void Soak::Close(int how)
{
    static const char* const ways[] = {"WM_CLOSE", "IDM_EXIT", "WM_ENDSESSION TRUE",
                                       "WM_CLOSE, then WM_ENDSESSION TRUE inside it", "the menu's exit item"};
    HWND window = player_->window;
    GetWindowRect(window, &lastRect_);
    const SIZE_T bytes = player_->PrivateBytes();
    Log(Format("  private bytes before the close: %lu", static_cast<unsigned long>(bytes)));
    if (firstBytes_ != 0 && bytes > 2 * firstBytes_ + (8u << 20)) {
        Fail(Format("private bytes before the close %lu, the first start's %lu: more than twice and 8 MiB over",
                    static_cast<unsigned long>(bytes), static_cast<unsigned long>(firstBytes_)));
    }
    DWORD_PTR result = 0;
    if (how == 0) PostMessageA(window, WM_CLOSE, 0, 0);
    if (how == 1) PostMessageA(window, WM_COMMAND, IDM_EXIT, 0);
    if (how == 2) PostMessageA(window, WM_ENDSESSION, TRUE, 0);
    if (how == 3) {
        // The session ends while the close is under way: the player has given up its media
        // keys, and is about to take its icon away.
        // The moment is short: ask without pausing.
        PostMessageA(window, WM_CLOSE, 0, 0);
        bool inside = false;
        for (const DWORD start = GetTickCount();
             !inside && IsWindow(window) && GetTickCount() - start < driver::kTimeoutMs;) {
            inside = RegisterHotKey(bystander_, 1, 0, VK_MEDIA_NEXT_TRACK) != FALSE;
        }
        if (inside) {
            UnregisterHotKey(bystander_, 1);
            SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, driver::kTimeoutMs, &result);
        }
        Log(inside ? "  WM_ENDSESSION sent once the media keys were free"
                   : "  the window went before the media keys were free");
    }
    Ended(ways[how], player_->WaitForExit(driver::kTimeoutMs + 2 * disc_.closeDelayMs));
}

void Soak::Ended(const char* how, DWORD code)
{
    if (code == STILL_ACTIVE) {
        Fail(std::string("the player still ran 10 s after a close by ") + how);
        player_.reset();
        Drive();
        return;
    }
    if (code != 0) Fail(Format("the player ended with exit code 0x%lx after a close by %s", code, how));
    Drive();
    if (drive_.DeviceOpen()) Fail(std::string("the player ended with its device open, after a close by ") + how);
    CheckSettingsFile(false);
    player_.reset();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: soak SECONDS SEED\n");
        return 2;
    }
    Soak soak(std::strtoul(argv[1], nullptr, 10), static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10)));
    return soak.Run();
}
