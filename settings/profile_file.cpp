#include "settings/profile_file.h"

#include "common/text.h"

ProfileFile::ProfileFile(const char* path)
{
    path_[0] = '\0';
    if (path != nullptr && lstrlenA(path) < MAX_PATH) {
        lstrcpynA(path_, path, MAX_PATH);
    }
}

bool ProfileFile::ReadInt(const char* section, const char* key, int* value, int defaultValue) const
{
    *value = IsBound() ? static_cast<int>(GetPrivateProfileIntA(section, key, defaultValue, path_))
                       : defaultValue;
    return true;
}

bool ProfileFile::ReadString(const char* section, const char* key, char (&text)[MAX_PATH],
                             const char* defaultText) const
{
    if (!IsBound()) {
        CopyText(text, defaultText);
        return true;
    }
    // Read more than fits and cut it ourselves: the platform's own cut may split, or under
    // Wine even garble, a double-byte character at the end.
    char value[4 * MAX_PATH];
    GetPrivateProfileStringA(section, key, defaultText, value, sizeof value, path_);
    CopyText(text, value);
    return true;
}

bool ProfileFile::WriteInt(const char* section, const char* key, int value) const
{
    if (IsBound()) {
        char text[MAX_PATH];
        wsprintfA(text, "%ld", static_cast<long>(value));
        WritePrivateProfileStringA(section, key, text, path_);
    }
    return true;
}
