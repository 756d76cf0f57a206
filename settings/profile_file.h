#ifndef VELTOCD_SETTINGS_PROFILE_FILE_H
#define VELTOCD_SETTINGS_PROFILE_FILE_H

#include <windows.h>

// One private-profile (ini) file. A bare file name is looked up in the Windows directory.
// A path longer than 259 characters is refused rather than cut into the name of another
// file: reads then give their defaults and writes do nothing.
class ProfileFile {
public:
    explicit ProfileFile(const char* path);

    int ReadInt(const char* section, const char* key, int defaultValue) const;
    // text holds MAX_PATH characters; a longer value is cut at a character boundary.
    void ReadString(const char* section, const char* key, char (&text)[MAX_PATH], const char* defaultText) const;
    // False if the platform did not write it.
    bool WriteInt(const char* section, const char* key, int value) const;

    bool IsBound() const { return path_[0] != '\0'; }

private:
    char path_[MAX_PATH];
};

#endif
