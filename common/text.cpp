#include "common/text.h"

int CopyText(wchar_t* dest, int destSize, const wchar_t* src)
{
    if (destSize <= 0) {
        return 0;
    }
    int length = 0;
    if (src != nullptr) {
        while (src[length] != L'\0' && length < destSize - 1) {
            ++length;
        }
        // The last unit kept must not be the first half of a pair whose second half is cut off.
        if (length > 0 && IS_HIGH_SURROGATE(src[length - 1]) && IS_LOW_SURROGATE(src[length])) {
            --length;
        }
        CopyMemory(dest, src, length * sizeof(wchar_t));
    }
    dest[length] = L'\0';
    return length;
}

bool CutToDirectory(wchar_t* path, DWORD length)
{
    if (length == 0 || length >= MAX_PATH) {
        path[0] = L'\0';
        return false;
    }
    DWORD end = 0;
    for (DWORD i = 0; i < length; ++i) {
        if (path[i] == L'\\') {
            end = i + 1;
        }
    }
    path[end] = L'\0';
    return true;
}
