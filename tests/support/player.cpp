#include "support/player.h"

#include <doctest/doctest.h>

#include <fstream>
#include <iterator>

namespace e2e {

void SetScene(const char* settings, const sim::Disc& disc)
{
    SetFileAttributesA(kSettingsPath, FILE_ATTRIBUTE_NORMAL);
    const bool gone = DeleteFileA(kSettingsPath) || GetLastError() == ERROR_FILE_NOT_FOUND;
    REQUIRE(gone);
    if (settings != nullptr) {
        std::ofstream file(kSettingsPath, std::ios::binary);
        file << settings;
        file.flush();
        REQUIRE(file.good());
    }
    sim::Load(disc);
}

Player::Player(const char* exe, bool showsWindow, const char* dir) : driver::Player(exe, showsWindow, dir)
{
    REQUIRE(Started(showsWindow));
}

Session::Session(const char* settings, const sim::Disc& disc, const char* dir)
    : Scene(settings, disc), player(kPlayerExe, true, dir)
{
    if (disc.usable() && !disc.failPlay) REQUIRE(log.WaitPlay(1) != log.npos);
}

std::string ReadFileBytes(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string SavedSetting(const char* key)
{
    char value[MAX_PATH];
    GetPrivateProfileStringA("GENERAL", key, "", value, MAX_PATH, kSettingsPath);
    return value;
}

}  // namespace e2e
