// The end-to-end tests' side of the driver (tools/driver): the player installed in the
// test's prefix, its settings file, and the scene a case sets for it.
#pragma once

#include <string>

#include "driver.h"
#include "support/sim_drive.h"

namespace e2e {

using driver::BringToFront, driver::Bystander, driver::ChildrenOf, driver::ClickAt, driver::Focus, driver::IsAbove;
using driver::EntryOf, driver::IsTopmost, driver::kTimeoutMs, driver::Press, driver::TextOf;

// Where the test runner installs the player, and the settings file beside it.
const char kPlayerExe[] = "C:\\veltoCD\\veltoCD.exe";
const char kSettingsPath[] = "C:\\veltoCD\\veltoCD.ini";

// Three minute-long tracks: nothing ends by itself during a test.
inline sim::Disc LongDisc()
{
    return sim::discWithTracks({60000, 60000, 60000});
}
// The settings file absent (nullptr) or holding exactly `settings`, the disc in the drive.
void SetScene(const char* settings, const sim::Disc& disc = LongDisc());

// A run of the player that the case requires to start, by default from another directory:
// it must find its settings by its own path, and finds no pictures.
struct Player : driver::Player {
    explicit Player(const char* exe = kPlayerExe, bool showsWindow = true, const char* dir = "C:\\");
};

// Settings that keep the window away from the top-left corner, where Wine shows its
// notification area.
const char kPlaced[] = "[GENERAL]\r\nWindowPosX=400\r\nWindowPosY=300\r\n";

// A scene set, then the player started in it, playing track 1 when the disc lets it.
struct Scene {
    Scene(const char* settings, const sim::Disc& disc) { SetScene(settings, disc); }
};
struct Session : Scene {
    explicit Session(const char* settings, const sim::Disc& disc = LongDisc(), const char* dir = "C:\\");
    sim::LogWatch log;
    Player player;
};

std::string ReadFileBytes(const char* path);
// One value of the settings file's GENERAL section as the platform reads it; "" if missing.
std::string SavedSetting(const char* key);

}  // namespace e2e
