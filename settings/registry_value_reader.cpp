#include "settings/registry_value_reader.h"

RegistryValueReader::RegistryValueReader(HKEY root, const char* basePath) : root_(root)
{
    lstrcpynA(basePath_, basePath, MAX_PATH);
}

int RegistryValueReader::ReadValue(const char* subKey, const char* valueName, int defaultValue) const
{
    char path[MAX_PATH];
    if (subKey == nullptr || subKey[0] == '\0') {
        lstrcpyA(path, basePath_);
    } else if (lstrlenA(basePath_) + 1 + lstrlenA(subKey) < MAX_PATH) {
        wsprintfA(path, "%s\\%s", basePath_, subKey);
    } else {
        return defaultValue;  // a cut path would name another key
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(root_, path, 0, KEY_READ, &key) != ERROR_SUCCESS &&
        RegCreateKeyExA(root_, path, 0, const_cast<char*>(""), 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
            ERROR_SUCCESS) {
        return defaultValue;
    }
    int data = 0;
    DWORD size = sizeof data;
    const bool read =
        RegQueryValueExA(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size) == ERROR_SUCCESS &&
        size == sizeof data;
    RegCloseKey(key);
    return read ? data : defaultValue;
}
