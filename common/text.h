#ifndef VELTOCD_COMMON_TEXT_H
#define VELTOCD_COMMON_TEXT_H

#include <windows.h>

// Bounded copies of code-page texts into fixed fields. A text that does not fit is cut at a
// character boundary: never half of a double-byte character, always terminated.
int CopyText(char* dest, int destSize, const char* src);

template <int N>
int CopyText(char (&dest)[N], const char* src)
{
    return CopyText(dest, N, src);
}

// Cuts a module's path, of this length as GetModuleFileNameA gave it into MAX_PATH bytes,
// just after its last backslash, which stays. Walks by characters: the second byte of a
// double-byte character may be 0x5C and is no separator. A path that filled the buffer was
// cut by the platform: no folder above the module may stand in for its own, so it is
// emptied. Returns false then.
bool CutToDirectory(char* path, DWORD length);

#endif
