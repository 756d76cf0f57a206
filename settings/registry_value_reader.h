#ifndef VELTOCD_SETTINGS_REGISTRY_VALUE_READER_H
#define VELTOCD_SETTINGS_REGISTRY_VALUE_READER_H

#include <windows.h>

// Reads 32-bit values below one registry key, which is created when it is missing.
class RegistryValueReader {
public:
    RegistryValueReader(HKEY root, const char* basePath);

    // The value's four bytes, whatever its type; the default for a missing key or value and
    // for data of any other length. Nothing is written past the destination.
    int ReadValue(const char* subKey, const char* valueName, int defaultValue) const;

private:
    char basePath_[MAX_PATH];
    HKEY root_;
};

#endif
