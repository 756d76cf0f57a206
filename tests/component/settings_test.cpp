// The settings file through the platform's private-profile functions, and the bounded
// text copies the program relies on for fixed fields.
#include <doctest/doctest.h>

#include <string>

#include "common/text.h"
#include "res/resource.h"
#include "settings/profile_file.h"
#include "settings/settings.h"

namespace {

const char kDir[] = "C:\\settings_test\\";

std::string readFile(const char* path)
{
    std::string text;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
            text.append(buffer, read);
        }
        CloseHandle(file);
    }
    return text;
}

void writeFile(const char* path, const std::string& text)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

std::string settingsPath()
{
    char path[MAX_PATH];
    REQUIRE(BuildSettingsPath(kDir, path));
    return path;
}

}  // namespace

TEST_CASE("loading: defaults, odd values and the order of a saved file")
{
    CreateDirectoryA(kDir, nullptr);
    const std::string path = settingsPath();
    CHECK(path == "C:\\settings_test\\veltoCD.ini");
    DeleteFileA(path.c_str());
    const ProfileFile file(path.c_str());

    SUBCASE("no file: the defaults, and a save writes the eight keys in order")
    {
        LoadPlaybackSettings(file);
        LoadStageSettings(file);
        CHECK(AutoRepeat == 0);
        CHECK(RandomPlay == 0);
        CHECK(ShowTopMost == 1);
        CHECK(Whim == 300);
        CHECK(Reverb == 5);
        CHECK(Tune == IDC_MODERATO);
        const POINT position = LoadWindowPosition(file);
        CHECK(position.x == 0);
        CHECK(position.y == 0);

        HWND window = CreateWindowA("STATIC", "", WS_POPUP, 12, -7, 144, 104, nullptr, nullptr, nullptr, nullptr);
        SaveSettings(window, file);
        DestroyWindow(window);
        CHECK(readFile(path.c_str()) ==
              "[GENERAL]\r\nAutoRepeat=0\r\nRandomPlay=0\r\nShowTopMost=1\r\nReverb=5\r\nTune=1006\r\n"
              "Whim=300\r\nWindowPosX=12\r\nWindowPosY=-7\r\n");
    }
    SUBCASE("values outside their range")
    {
        writeFile(path.c_str(), "[GENERAL]\r\nReverb=99\r\nTune=2\r\nAutoRepeat=5\r\nWhim=-3\r\n");
        LoadPlaybackSettings(file);
        LoadStageSettings(file);
        CHECK(Reverb == 8);
        CHECK(AutoRepeat == 5);
        CHECK(Whim == -3);
        HWND window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        CHECK(Tune == 2);
        ApplyTempo(window);
        CHECK(Tune == IDC_MODERATO);
        DestroyWindow(window);

        writeFile(path.c_str(), "[GENERAL]\r\nReverb=0\r\n");
        LoadStageSettings(file);
        CHECK(Reverb == 1);
        writeFile(path.c_str(), "[GENERAL]\r\nReverb=-40\r\n");
        LoadStageSettings(file);
        CHECK(Reverb == 1);
    }
    SUBCASE("a write replaces a key where it stands and keeps the rest")
    {
        writeFile(path.c_str(), "[OTHER]\r\nx=1\r\n[GENERAL]\r\nWhim=5\r\nMine=keep\r\n");
        file.WriteInt("GENERAL", "Whim", 60);
        file.WriteInt("GENERAL", "Tune", 1007);
        CHECK(readFile(path.c_str()) == "[OTHER]\r\nx=1\r\n[GENERAL]\r\nWhim=60\r\nMine=keep\r\nTune=1007\r\n");
        int value = 0;
        file.ReadInt("GENERAL", "Tune", &value, 0);
        CHECK(value == 1007);
        file.ReadInt("GENERAL", "Missing", &value, -12);
        CHECK(value == -12);
    }
    DeleteFileA(path.c_str());
}

TEST_CASE("a settings path that does not fit is refused, never cut")
{
    std::string dir = "C:\\";
    while (dir.size() < 247) {
        dir += "d";
    }
    dir += "\\";  // 248 characters: with veltoCD.ini exactly 259
    char path[MAX_PATH];
    CHECK(BuildSettingsPath(dir.c_str(), path));
    CHECK(std::string(path).size() == 259);

    dir.insert(3, "x");
    CHECK(!BuildSettingsPath(dir.c_str(), path));
    CHECK(path[0] == '\0');

    // A refused path reads the defaults and writes nothing at all.
    const std::string tooLong = "C:\\" + std::string(300, 'p') + "\\veltoCD.ini";
    const ProfileFile file(tooLong.c_str());
    CHECK(!file.IsBound());
    int value = 0;
    file.ReadInt("GENERAL", "Whim", &value, 300);
    CHECK(value == 300);
    file.WriteInt("GENERAL", "Whim", 1);
    char text[MAX_PATH];
    file.ReadString("GENERAL", "Title", text, "none");
    CHECK(std::string(text) == "none");
}

TEST_CASE("texts are cut at character boundaries")
{
    char field[8];
    CHECK(CopyText(field, "veltoCD") == 7);
    CHECK(std::string(field) == "veltoCD");
    // "ab" then three double-byte characters: 7 bytes would split the third.
    CHECK(CopyText(field, "ab再生中") == 6);
    CHECK(std::string(field) == "ab再生");
    CHECK(CopyText(field, nullptr) == 0);
    CHECK(field[0] == '\0');

    // 表's trail byte is 0x5C, the backslash: still one character.
    CHECK(CopyText(field, "表表表表") == 6);
    CHECK(std::string(field) == "表表表");

    SUBCASE("a long title from a profile file")
    {
        CreateDirectoryA(kDir, nullptr);
        const std::string path = std::string(kDir) + "titles.ini";
        std::string title = "ab";
        while (title.size() < 300) {
            title += "曲";
        }
        writeFile(path.c_str(), "[D]\r\n0=" + title + "\r\n");
        char text[MAX_PATH];
        ProfileFile(path.c_str()).ReadString("D", "0", text, "");
        CHECK(std::string(text) == title.substr(0, 258));
        DeleteFileA(path.c_str());
    }
}
