#include "settings/profile_file.h"

#include "common/text.h"

ProfileFile::ProfileFile(const wchar_t* path)
{
    path_[0] = L'\0';
    if (path != nullptr && lstrlenW(path) < MAX_PATH) {
        lstrcpynW(path_, path, MAX_PATH);
    }
}

int ProfileFile::ReadInt(const wchar_t* section, const wchar_t* key, int defaultValue) const
{
    return IsBound() ? static_cast<int>(GetPrivateProfileIntW(section, key, defaultValue, path_)) : defaultValue;
}

void ProfileFile::ReadString(const wchar_t* section, const wchar_t* key, wchar_t (&text)[MAX_PATH],
                             const wchar_t* defaultText) const
{
    if (!IsBound()) {
        CopyText(text, defaultText);
        return;
    }
    // Read more than fits and cut it ourselves, between characters.
    wchar_t value[4 * MAX_PATH];
    GetPrivateProfileStringW(section, key, defaultText, value, ARRAYSIZE(value), path_);
    CopyText(text, value);
}

bool ProfileFile::WriteInt(const wchar_t* section, const wchar_t* key, int value) const
{
    wchar_t text[16];
    wsprintfW(text, L"%ld", static_cast<long>(value));
    return WriteString(section, key, text);
}

bool ProfileFile::WriteString(const wchar_t* section, const wchar_t* key, const wchar_t* text) const
{
    return IsBound() && WritePrivateProfileStringW(section, key, text, path_) != FALSE;
}
