#include "settings/settings.h"

#include "res/resource.h"
#include "settings/profile_file.h"

int AutoRepeat;
int RandomPlay;
int ShowTopMost;
int Whim;
int Reverb;
int Tune;
int AllTracksMode;

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

void LoadPlaybackSettings(const ProfileFile& file)
{
    file.ReadInt(kSection, "AutoRepeat", &AutoRepeat, 0);
    file.ReadInt(kSection, "RandomPlay", &RandomPlay, 0);
    file.ReadInt(kSection, "ShowTopMost", &ShowTopMost, 1);
    file.ReadInt(kSection, "Whim", &Whim, 300);
}

void LoadStageSettings(const ProfileFile& file)
{
    file.ReadInt(kSection, "Reverb", &Reverb, 5);
    // The note swarm has eight slots and divides by the count: keep it in 1..8.
    if (Reverb < 1) {
        Reverb = 1;
    } else if (Reverb > 8) {
        Reverb = 8;
    }
    file.ReadInt(kSection, "Tune", &Tune, IDC_MODERATO);
}

POINT LoadWindowPosition(const ProfileFile& file)
{
    int x = 0;
    int y = 0;
    file.ReadInt(kSection, "WindowPosX", &x, 0);
    file.ReadInt(kSection, "WindowPosY", &y, 0);
    return POINT{x, y};
}

void SaveSettings(HWND window, const ProfileFile& file)
{
    file.WriteInt(kSection, "AutoRepeat", AutoRepeat);
    file.WriteInt(kSection, "RandomPlay", RandomPlay);
    file.WriteInt(kSection, "ShowTopMost", ShowTopMost);
    file.WriteInt(kSection, "Reverb", Reverb);
    file.WriteInt(kSection, "Tune", Tune);
    file.WriteInt(kSection, "Whim", Whim);
    RECT rect;
    GetWindowRect(window, &rect);
    file.WriteInt(kSection, "WindowPosX", rect.left);
    file.WriteInt(kSection, "WindowPosY", rect.top);
}

bool RunTick(HWND window, UINT periodMs)
{
    if (periodMs == 0) {
        return KillTimer(window, IDT_TICK) != FALSE;
    }
    // Setting the same identifier again only changes the period of the running timer.
    return SetTimer(window, IDT_TICK, periodMs, nullptr) != 0;
}

bool ApplyTempo(HWND window)
{
    UINT period;
    if (Tune == IDC_ANDANTE) {
        period = 1500;
    } else if (Tune == IDC_ALLEGRO) {
        period = 750;
    } else {
        Tune = IDC_MODERATO;
        period = 1000;
    }
    return RunTick(window, period);
}
