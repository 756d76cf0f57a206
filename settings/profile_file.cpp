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

bool ProfileFile::ReadString(const wchar_t* section, const wchar_t* key, wchar_t* text, int size) const
{
    // Read one more than fits and cut it ourselves, between characters.
    wchar_t value[kLongestString + 1];
    const int length =
        IsBound() ? static_cast<int>(GetPrivateProfileStringW(section, key, L"", value, ARRAYSIZE(value), path_)) : 0;
    value[IsBound() ? length : 0] = L'\0';
    return CopyText(text, size < kLongestString ? size : kLongestString, value) == length;
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
