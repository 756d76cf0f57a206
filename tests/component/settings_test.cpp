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

std::string Written(const std::string& path, const std::string& text)
{
    CreateDirectoryA(kDir, nullptr);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

TEST_CASE("odd values are repaired where the stage and the timer need them")
{
    char path[MAX_PATH];
    REQUIRE(BuildSettingsPath(kDir, path));
    CHECK(std::string(path) == "C:\\settings_test\\veltoCD.ini");
    const ProfileFile file(path);
    const std::pair<const char*, int> reverbs[] = {{"99", 8}, {"9", 8}, {"8", 8}, {"1", 1}, {"0", 1}, {"-40", 1}};
    for (const auto& reverb : reverbs) {
        CAPTURE(reverb.first);
        Written(path, std::string("[GENERAL]\r\nTune=2\r\nReverb=") + reverb.first + "\r\n");
        LoadStageSettings(file);
        CHECK(Reverb == reverb.second);
    }
    DeleteFileA(path);
    LoadStageSettings(file);
    CHECK(Reverb == 5);

    HWND window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    Tune = 2;
    CHECK(ApplyTempo(window));
    CHECK(Tune == IDC_MODERATO);
    CHECK(RunTick(window, 0));
    DestroyWindow(window);
}

TEST_CASE("a settings path that does not fit is refused, never cut into another file's name")
{
    char path[MAX_PATH];
    CHECK(BuildSettingsPath(("C:\\" + std::string(244, 'd') + "\\").c_str(), path));  // 259 characters
    // One more, and the path cut to 259 characters would name "veltoCD.in".
    const std::string dir = "C:\\" + std::string(245, 'd') + "\\";
    REQUIRE(CreateDirectoryA(dir.c_str(), nullptr));
    CHECK(!BuildSettingsPath(dir.c_str(), path));
    CHECK(path[0] == '\0');
    CHECK(!BuildSettingsPath("", path));  // no folder: a bare name would land in the Windows directory

    const ProfileFile file((dir + "veltoCD.ini").c_str());
    CHECK(!file.IsBound());
    int value = 0;
    file.ReadInt("GENERAL", "Whim", &value, 300);
    CHECK(value == 300);
    file.WriteInt("GENERAL", "Whim", 1);
    CHECK(!Exists(dir + "veltoCD.in"));
    RemoveDirectoryA(dir.c_str());
}

TEST_CASE("texts are cut at character boundaries, and paths at real backslashes")
{
    // 表 is 0x95 0x5C and ソ 0x83 0x5C in code page 932: their trail byte is a backslash.
    const std::pair<const char*, const char*> cuts[] = {
        {"veltoCD", "veltoCD"}, {"ab再生中", "ab再生"}, {"表表表表", "表表表"}, {"abcdefghij", "abcdefg"}};
    for (const auto& cut : cuts) {
        char field[8];
        CopyText(field, cut.first);
        CHECK(std::string(field) == cut.second);
    }
    const std::pair<const char*, const char*> paths[] = {
        {"C:\\veltoCD\\表示.exe", "C:\\veltoCD\\"}, {"C:\\ソフト\\表\\v.exe", "C:\\ソフト\\表\\"}, {"v.exe", ""}};
    for (const auto& path : paths) {
        char text[MAX_PATH];
        CopyText(text, path.first);
        CutToDirectory(text, lstrlenA(text));
        CHECK(std::string(text) == path.second);
    }
    char filled[MAX_PATH] = "C:\\folder\\veltoCD.exe";  // the platform filled its buffer: the path was cut
    CHECK((!CutToDirectory(filled, MAX_PATH) && filled[0] == '\0'));

    // A value longer than the 260-character field, read from a profile file.
    std::string title = "ab";
    while (title.size() < 300) title += "曲";
    char text[MAX_PATH];
    ProfileFile(Written(std::string(kDir) + "titles.ini", "[D]\r\n0=" + title + "\r\n").c_str()).ReadString("D", "0", text, "");
    CHECK(std::string(text) == title.substr(0, 258));
}
