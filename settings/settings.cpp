#include "settings/settings.h"

#include "res/resource.h"
#include "settings/profile_file.h"

namespace {

const char kSection[] = "GENERAL";
const char kFileName[] = "veltoCD.ini";

}  // namespace

bool BuildSettingsPath(const char* moduleDir, char (&path)[MAX_PATH])
{
    path[0] = '\0';
    // No folder, no file: a bare name would be looked for in the Windows directory.
    if (moduleDir[0] == '\0' || lstrlenA(moduleDir) + lstrlenA(kFileName) >= MAX_PATH) {
        return false;
    }
    wsprintfA(path, "%s%s", moduleDir, kFileName);
    return true;
}

void LoadSettings(const ProfileFile& file, Settings& settings)
{
    settings.AutoRepeat = file.ReadInt(kSection, "AutoRepeat", 0);
    settings.RandomPlay = file.ReadInt(kSection, "RandomPlay", 0);
    settings.ShowTopMost = file.ReadInt(kSection, "ShowTopMost", 1);
    settings.Whim = file.ReadInt(kSection, "Whim", 300);
    // The note swarm has eight slots and divides by the count: keep it in 1..8.
    const int reverb = file.ReadInt(kSection, "Reverb", 5);
    settings.Reverb = reverb < 1 ? 1 : reverb > 8 ? 8 : reverb;
    settings.Tune = file.ReadInt(kSection, "Tune", IDC_MODERATO);
}

POINT LoadWindowPosition(const ProfileFile& file)
{
    return POINT{file.ReadInt(kSection, "WindowPosX", 0), file.ReadInt(kSection, "WindowPosY", 0)};
}

void SaveSettings(const ProfileFile& file, const Settings& settings)
{
    file.WriteInt(kSection, "AutoRepeat", settings.AutoRepeat);
    file.WriteInt(kSection, "RandomPlay", settings.RandomPlay);
    file.WriteInt(kSection, "ShowTopMost", settings.ShowTopMost);
    file.WriteInt(kSection, "Reverb", settings.Reverb);
    file.WriteInt(kSection, "Tune", settings.Tune);
    file.WriteInt(kSection, "Whim", settings.Whim);
}

void SaveWindowPosition(const ProfileFile& file, POINT position)
{
    file.WriteInt(kSection, "WindowPosX", position.x);
    file.WriteInt(kSection, "WindowPosY", position.y);
}

UINT TempoPeriod(Settings& settings)
{
    if (settings.Tune == IDC_ANDANTE) {
        return 1500;
    }
    if (settings.Tune == IDC_ALLEGRO) {
        return 750;
    }
    settings.Tune = IDC_MODERATO;
    return 1000;
}
