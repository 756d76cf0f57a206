#include "settings/settings.h"

#include "res/resource.h"
#include "settings/profile_file.h"

namespace {

const wchar_t kSection[] = L"GENERAL";
const wchar_t kFileName[] = L"veltoCD.ini";

}  // namespace

bool BuildSettingsPath(const wchar_t* moduleDir, wchar_t (&path)[MAX_PATH])
{
    path[0] = L'\0';
    // No folder, no file: a bare name would be looked for in the Windows directory.
    if (moduleDir[0] == L'\0' || lstrlenW(moduleDir) + lstrlenW(kFileName) >= MAX_PATH) {
        return false;
    }
    wsprintfW(path, L"%s%s", moduleDir, kFileName);
    return true;
}

void LoadSettings(const ProfileFile& file, Settings& settings)
{
    settings.AutoRepeat = file.ReadInt(kSection, L"AutoRepeat", 0);
    settings.RandomPlay = file.ReadInt(kSection, L"RandomPlay", 0);
    settings.ShowTopMost = file.ReadInt(kSection, L"ShowTopMost", 1);
    settings.Whim = file.ReadInt(kSection, L"Whim", 300);
    // The note swarm has a slot a note and divides by the count: keep it in range.
    const int reverb = file.ReadInt(kSection, L"Reverb", 5);
    settings.Reverb = reverb < kReverbMin ? kReverbMin : reverb > kReverbMax ? kReverbMax : reverb;
    const int tune = file.ReadInt(kSection, L"Tune", IDC_MODERATO);
    settings.Tune = tune == IDC_ANDANTE || tune == IDC_ALLEGRO ? tune : IDC_MODERATO;
    settings.AllTracksMode = 1;
}

POINT LoadWindowPosition(const ProfileFile& file)
{
    return POINT{file.ReadInt(kSection, L"WindowPosX", 0), file.ReadInt(kSection, L"WindowPosY", 0)};
}

void SaveSettings(const ProfileFile& file, const Settings& settings)
{
    file.WriteInt(kSection, L"AutoRepeat", settings.AutoRepeat);
    file.WriteInt(kSection, L"RandomPlay", settings.RandomPlay);
    file.WriteInt(kSection, L"ShowTopMost", settings.ShowTopMost);
    file.WriteInt(kSection, L"Reverb", settings.Reverb);
    file.WriteInt(kSection, L"Tune", settings.Tune);
    file.WriteInt(kSection, L"Whim", settings.Whim);
}

void SaveWindowPosition(const ProfileFile& file, POINT position)
{
    file.WriteInt(kSection, L"WindowPosX", position.x);
    file.WriteInt(kSection, L"WindowPosY", position.y);
}

void LoadLookupServer(const ProfileFile& file, wchar_t (&server)[MAX_PATH])
{
    // An address cut to fit would be another one.
    if (!file.ReadString(L"Lookup", L"Server", server, MAX_PATH)) {
        server[0] = L'\0';
    }
}

UINT TempoPeriod(const Settings& settings)
{
    return settings.Tune == IDC_ANDANTE ? 1500 : settings.Tune == IDC_ALLEGRO ? 750 : 1000;
}
