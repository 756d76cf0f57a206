#include "settings/registry_value_reader.h"

RegistryValueReader::RegistryValueReader(HKEY root, const char* basePath) : root_(root)
{
    lstrcpynA(basePath_, basePath, MAX_PATH);
}

bool RegistryValueReader::ReadValue(const char* subKey, const char* valueName, int* value, int defaultValue) const
{
    *value = defaultValue;
    char path[MAX_PATH];
    if (subKey == nullptr || subKey[0] == '\0') {
        lstrcpyA(path, basePath_);
    } else if (lstrlenA(basePath_) + 1 + lstrlenA(subKey) < MAX_PATH) {
        wsprintfA(path, "%s\\%s", basePath_, subKey);
    } else {
        return true;  // a cut path would name another key
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(root_, path, 0, KEY_READ, &key) != ERROR_SUCCESS &&
        RegCreateKeyExA(root_, path, 0, const_cast<char*>(""), 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
            ERROR_SUCCESS) {
        return true;
    }
    int data = 0;
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size) == ERROR_SUCCESS &&
        size == sizeof data) {
        *value = data;
    }
    RegCloseKey(key);
    return true;
}
