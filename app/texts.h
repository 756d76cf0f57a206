#ifndef VELTOCD_APP_TEXTS_H
#define VELTOCD_APP_TEXTS_H

#include <windows.h>

// A text of the string tables, in the user's language as the platform picks it; empty when
// there is none. Loaded from the executable itself.
template <int N>
void LoadText(UINT id, wchar_t (&text)[N])
{
    if (LoadStringW(GetModuleHandleW(nullptr), id, text, N) == 0) {
        text[0] = L'\0';
    }
}

#endif
