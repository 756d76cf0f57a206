#ifndef VELTOCD_SETTINGS_SETTINGS_H
#define VELTOCD_SETTINGS_SETTINGS_H

#include <windows.h>

class ProfileFile;

// The player's options. The program owns one record and hands it by reference to whatever
// reads or writes it; all zero until the settings file has been read.
struct Settings {
    int AutoRepeat;
    int RandomPlay;
    int ShowTopMost;
    int Whim;           // seconds; 0 = never restart
    int Reverb;         // note slots, 1..8
    int Tune;           // IDC_ANDANTE, IDC_MODERATO or IDC_ALLEGRO
    int AllTracksMode;  // not kept in the file
};

// Builds "<moduleDir>veltoCD.ini". Returns false, leaving path empty, without a folder or
// when it would not fit: a cut path would name some other file.
bool BuildSettingsPath(const wchar_t* moduleDir, wchar_t (&path)[MAX_PATH]);

// Reads the six kept options, each with its default when missing; Reverb is brought into
// the ring's 1..8.
void LoadSettings(const ProfileFile& file, Settings& settings);
POINT LoadWindowPosition(const ProfileFile& file);

// Writes the six kept options in the file's order; then the window's position.
void SaveSettings(const ProfileFile& file, const Settings& settings);
void SaveWindowPosition(const ProfileFile& file, POINT position);

// The timer period of the tempo in ms. An unknown Tune becomes Moderato's.
UINT TempoPeriod(Settings& settings);

#endif
