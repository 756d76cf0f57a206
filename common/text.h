#ifndef VELTOCD_COMMON_TEXT_H
#define VELTOCD_COMMON_TEXT_H

#include <windows.h>

// Bounded copies of texts into fixed fields. A text that does not fit is cut between
// characters, never inside a surrogate pair, and always terminated.
int CopyText(wchar_t* dest, int destSize, const wchar_t* src);

template <int N>
int CopyText(wchar_t (&dest)[N], const wchar_t* src)
{
    return CopyText(dest, N, src);
}

// Cuts a module's path, of this length as GetModuleFileNameW gave it into MAX_PATH
// characters, just after its last backslash, which stays. A path that filled the buffer was
// cut by the platform: no folder above the module may stand in for its own, so it is
// emptied. Returns false then.
bool CutToDirectory(wchar_t* path, DWORD length);

#endif
