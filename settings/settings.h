#ifndef VELTOCD_SETTINGS_SETTINGS_H
#define VELTOCD_SETTINGS_SETTINGS_H

#include <windows.h>

class ProfileFile;

// The settings variables: program-wide, zero until the settings are loaded.
extern int AutoRepeat;
extern int RandomPlay;
extern int ShowTopMost;
extern int Whim;           // seconds; 0 = never restart
extern int Reverb;         // note slots, 1..8
extern int Tune;           // IDC_ANDANTE, IDC_MODERATO or IDC_ALLEGRO
extern int AllTracksMode;  // not persisted

// Builds "<moduleDir>veltoCD.ini". Returns false, leaving path empty, without a folder or
// when it would not fit: a cut path would name some other file.
bool BuildSettingsPath(const char* moduleDir, char (&path)[MAX_PATH]);

// Load in the order start-up needs: the switches and Whim, then the stage's Reverb and Tune.
void LoadPlaybackSettings(const ProfileFile& file);
void LoadStageSettings(const ProfileFile& file);
POINT LoadWindowPosition(const ProfileFile& file);

// Writes every persisted key, in the file's order, with the window's current position.
void SaveSettings(HWND window, const ProfileFile& file);

// Turns Tune into the period of the window's timer (and repairs an unknown Tune). False if
// the timer could not be set.
bool ApplyTempo(HWND window);

// The window's one timer, IDT_TICK, is set, re-armed and (with period 0) killed here alone.
bool RunTick(HWND window, UINT periodMs);

#endif
