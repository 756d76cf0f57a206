// The settings file through the platform's private-profile functions, and the bounded
// texts the program keeps in fixed fields.
#include <fstream>
#include <string>

#include "common/text.h"
#include "res/resource.h"
#include "settings/profile_file.h"
#include "settings/settings.h"
#include "support/support.h"

namespace {

const wchar_t kDir[] = L"C:\\settings_test\\";

void Write(const wchar_t* path, const std::string& text)
{
    CreateDirectoryW(kDir, nullptr);
    std::ofstream file(driver::Utf8(path), std::ios::binary);
    file << text;
    file.flush();
    REQUIRE(file.good());
}

}  // namespace

TEST_CASE("a Reverb from the file is brought into the ring's 1..8")
{
    wchar_t path[MAX_PATH];
    REQUIRE(BuildSettingsPath(kDir, path));
    CHECK(std::wstring(path) == L"C:\\settings_test\\veltoCD.ini");
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
    wchar_t path[MAX_PATH];
    CHECK(BuildSettingsPath((L"C:\\" + std::wstring(244, L'd') + L"\\").c_str(), path));  // 259 characters
    // One more, and the path cut to 259 characters would name "veltoCD.in".
    const std::wstring dir = L"C:\\" + std::wstring(245, L'd') + L"\\";
    REQUIRE(CreateDirectoryW(dir.c_str(), nullptr));
    CHECK_FALSE(BuildSettingsPath(dir.c_str(), path));
    CHECK(path[0] == L'\0');
    CHECK_FALSE(BuildSettingsPath(L"", path));  // no folder: a bare name would land in the Windows directory
    const ProfileFile file((dir + L"veltoCD.ini").c_str());
    CHECK_FALSE(file.IsBound());
    CHECK(file.ReadInt(L"GENERAL", L"Whim", 300) == 300);
    CHECK_FALSE(file.WriteInt(L"GENERAL", L"Whim", 1));
    CHECK(GetFileAttributesW((dir + L"veltoCD.in").c_str()) == INVALID_FILE_ATTRIBUTES);
    RemoveDirectoryW(dir.c_str());
}

TEST_CASE("texts are cut between characters, and paths after their last backslash")
{
    // 🎵 is a surrogate pair: a field that ends in its first half keeps neither.
    const std::pair<const wchar_t*, const wchar_t*> cuts[] = {{L"veltoCD", L"veltoCD"},
                                                              {L"abcdef🎵", L"abcdef"},
                                                              {L"abcde🎵", L"abcde🎵"},
                                                              {L"再生中再生中再生中", L"再生中再生中再"}};
    for (const auto& cut : cuts) {
        CAPTURE(driver::Utf8(cut.first));
        wchar_t field[8];
        CopyText(field, cut.first);
        CHECK(std::wstring(field) == cut.second);
    }
    const std::pair<const wchar_t*, const wchar_t*> paths[] = {
        {L"C:\\veltoCD\\表示.exe", L"C:\\veltoCD\\"}, {L"C:\\ソフト\\表\\v.exe", L"C:\\ソフト\\表\\"}, {L"v.exe", L""}};
    for (const auto& path : paths) {
        CAPTURE(driver::Utf8(path.first));
        wchar_t text[MAX_PATH];
        CopyText(text, path.first);
        CutToDirectory(text, lstrlenW(text));
        CHECK(std::wstring(text) == path.second);
    }
    wchar_t filled[MAX_PATH] = L"C:\\folder\\veltoCD.exe";  // the platform filled its buffer: the path was cut
    CHECK_FALSE(CutToDirectory(filled, MAX_PATH));
    CHECK(filled[0] == L'\0');
}
