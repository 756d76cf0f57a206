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

// Cuts a path just after its last backslash, which stays. Walks by characters: the second
// byte of a double-byte character may be 0x5C and is no separator. Returns the new length.
int CutToDirectory(char* path);

#endif
