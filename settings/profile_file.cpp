#include "settings/profile_file.h"

#include "common/text.h"

ProfileFile::ProfileFile(const char* path)
{
    path_[0] = '\0';
    if (path != nullptr && lstrlenA(path) < MAX_PATH) {
        lstrcpynA(path_, path, MAX_PATH);
    }
}

int ProfileFile::ReadInt(const char* section, const char* key, int defaultValue) const
{
    return IsBound() ? static_cast<int>(GetPrivateProfileIntA(section, key, defaultValue, path_)) : defaultValue;
}

void ProfileFile::ReadString(const char* section, const char* key, char (&text)[MAX_PATH],
                             const char* defaultText) const
{
    if (!IsBound()) {
        CopyText(text, defaultText);
        return;
    }
    // Read more than fits and cut it ourselves: the platform's own cut may split, or under
    // Wine even garble, a double-byte character at the end.
    char value[4 * MAX_PATH];
    GetPrivateProfileStringA(section, key, defaultText, value, sizeof value, path_);
    CopyText(text, value);
}

bool ProfileFile::WriteInt(const char* section, const char* key, int value) const
{
    if (!IsBound()) {
        return false;
    }
    char text[MAX_PATH];
    wsprintfA(text, "%ld", static_cast<long>(value));
    return WritePrivateProfileStringA(section, key, text, path_) != FALSE;
}
