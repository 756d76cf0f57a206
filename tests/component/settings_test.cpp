// The settings file through the platform's private-profile functions, and the bounded
// texts the program keeps in fixed fields.
#include <doctest/doctest.h>

#include <fstream>
#include <string>

#include "common/text.h"
#include "res/resource.h"
#include "settings/profile_file.h"
#include "settings/settings.h"

namespace {

const char kDir[] = "C:\\settings_test\\";

void Write(const std::string& path, const std::string& text)
{
    CreateDirectoryA(kDir, nullptr);
    std::ofstream file(path, std::ios::binary);
    file << text;
    file.flush();
    REQUIRE(file.good());
}

}  // namespace

TEST_CASE("a Reverb from the file is brought into the ring's 1..8")
{
    char path[MAX_PATH];
    REQUIRE(BuildSettingsPath(kDir, path));
    CHECK(std::string(path) == "C:\\settings_test\\veltoCD.ini");
    const ProfileFile file(path);
    const std::pair<const char*, int> reverbs[] = {{"99", 8}, {"9", 8}, {"8", 8}, {"1", 1}, {"0", 1}, {"-40", 1}};
    for (const auto& reverb : reverbs) {
        CAPTURE(reverb.first);
        Write(path, std::string("[GENERAL]\r\nReverb=") + reverb.first + "\r\n");
        Settings settings{};
        LoadSettings(file, settings);
        CHECK(settings.Reverb == reverb.second);
    }
}

TEST_CASE("a settings path that does not fit is refused, never cut into another file's name")
{
    char path[MAX_PATH];
    CHECK(BuildSettingsPath(("C:\\" + std::string(244, 'd') + "\\").c_str(), path));  // 259 characters
    // One more, and the path cut to 259 characters would name "veltoCD.in".
    const std::string dir = "C:\\" + std::string(245, 'd') + "\\";
    REQUIRE(CreateDirectoryA(dir.c_str(), nullptr));
    CHECK_FALSE(BuildSettingsPath(dir.c_str(), path));
    CHECK(path[0] == '\0');
    CHECK_FALSE(BuildSettingsPath("", path));  // no folder: a bare name would land in the Windows directory
    const ProfileFile file((dir + "veltoCD.ini").c_str());
    CHECK_FALSE(file.IsBound());
    CHECK(file.ReadInt("GENERAL", "Whim", 300) == 300);
    CHECK_FALSE(file.WriteInt("GENERAL", "Whim", 1));
    CHECK(GetFileAttributesA((dir + "veltoCD.in").c_str()) == INVALID_FILE_ATTRIBUTES);
    RemoveDirectoryA(dir.c_str());
}

TEST_CASE("texts are cut at character boundaries, and paths at real backslashes")
{
    // 表 is 0x95 0x5C and ソ 0x83 0x5C in code page 932: their trail byte is a backslash.
    const std::pair<const char*, const char*> cuts[] = {
        {"veltoCD", "veltoCD"}, {"ab再生中", "ab再生"}, {"表表表表", "表表表"}, {"abcdefghij", "abcdefg"}};
    for (const auto& cut : cuts) {
        CAPTURE(cut.first);
        char field[8];
        CopyText(field, cut.first);
        CHECK(std::string(field) == cut.second);
    }
    const std::pair<const char*, const char*> paths[] = {
        {"C:\\veltoCD\\表示.exe", "C:\\veltoCD\\"}, {"C:\\ソフト\\表\\v.exe", "C:\\ソフト\\表\\"}, {"v.exe", ""}};
    for (const auto& path : paths) {
        CAPTURE(path.first);
        char text[MAX_PATH];
        CopyText(text, path.first);
        CutToDirectory(text, lstrlenA(text));
        CHECK(std::string(text) == path.second);
    }
    char filled[MAX_PATH] = "C:\\folder\\veltoCD.exe";  // the platform filled its buffer: the path was cut
    CHECK_FALSE(CutToDirectory(filled, MAX_PATH));
    CHECK(filled[0] == '\0');
}
