#ifndef VELTOCD_SETTINGS_SETTINGS_H
#define VELTOCD_SETTINGS_SETTINGS_H

#include <windows.h>

class ProfileFile;

// The number of notes the stage floats at once: the file, the dialog and the ring keep to it.
const int kReverbMin = 1;
const int kReverbMax = 8;

// The player's options. The program owns one record and hands it by reference to whatever
// reads or writes it; all zero until the settings file has been read.
struct Settings {
    int AutoRepeat;
    int RandomPlay;
    int ShowTopMost;
    int Whim;           // seconds; 0 = never restart
    int Reverb;         // note slots, kReverbMin..kReverbMax
    int Tune;           // IDC_ANDANTE, IDC_MODERATO or IDC_ALLEGRO
    int AllTracksMode;  // not kept in the file: every run starts with all tracks
};

// Builds "<moduleDir>veltoCD.ini". Returns false, leaving path empty, without a folder or
// when it would not fit: a cut path would name some other file.
bool BuildSettingsPath(const wchar_t* moduleDir, wchar_t (&path)[MAX_PATH]);

// Reads the six kept options, each with its default when missing; Reverb is brought into its
// range and an unknown Tune becomes Moderato. All tracks is chosen.
void LoadSettings(const ProfileFile& file, Settings& settings);
POINT LoadWindowPosition(const ProfileFile& file);

// Writes the six kept options in the file's order; then the window's position.
void SaveSettings(const ProfileFile& file, const Settings& settings);
void SaveWindowPosition(const ProfileFile& file, POINT position);

// The server an online lookup asks, as the file names it ([Lookup] Server), read afresh for each
// lookup and never written; empty where it names none.
void LoadLookupServer(const ProfileFile& file, wchar_t (&server)[MAX_PATH]);

// The timer period of the tempo in ms.
UINT TempoPeriod(const Settings& settings);

#endif
