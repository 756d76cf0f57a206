#ifndef VELTOCD_SETTINGS_PROFILE_FILE_H
#define VELTOCD_SETTINGS_PROFILE_FILE_H

#include <windows.h>

// One private-profile (ini) file. A bare file name is looked up in the Windows directory. A
// file of ANSI text is read in the system's code page, as the programs that wrote it meant.
// A path longer than 259 characters is refused rather than cut into the name of another
// file: reads then give their defaults and writes do nothing.
class ProfileFile {
public:
    static const int kLongestString = 1024;
    explicit ProfileFile(const wchar_t* path);

    int ReadInt(const wchar_t* section, const wchar_t* key, int defaultValue) const;
    // The value, or nothing where there is none, into text of size characters (at most
    // kLongestString), cut between characters; false if it was cut.
    bool ReadString(const wchar_t* section, const wchar_t* key, wchar_t* text, int size) const;
    // False if the platform did not write it.
    bool WriteInt(const wchar_t* section, const wchar_t* key, int value) const;
    // A null text removes the key. False if the platform did not write it.
    bool WriteString(const wchar_t* section, const wchar_t* key, const wchar_t* text) const;

    bool IsBound() const { return path_[0] != L'\0'; }

private:
    wchar_t path_[MAX_PATH];
};

#endif
