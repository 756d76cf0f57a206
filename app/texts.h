#ifndef VELTOCD_APP_TEXTS_H
#define VELTOCD_APP_TEXTS_H

#include <windows.h>

#include "res/resource.h"

// A text of the string tables, in the user's language as the platform picks it; empty when
// there is none. Loaded from the executable itself.
template <int N>
void LoadText(UINT id, wchar_t (&text)[N])
{
    if (LoadStringW(GetModuleHandleW(nullptr), id, text, N) == 0) {
        text[0] = L'\0';
    }
}

// A text whose %s is the program's name, which the string table holds once.
template <int N>
void LoadNamedText(UINT id, wchar_t (&text)[N])
{
    static_assert(N <= 1024, "wsprintfW writes at most 1024 characters");
    wchar_t format[N];
    wchar_t name[32];
    LoadText(id, format);
    LoadText(IDS_APP_NAME, name);
    wsprintfW(text, format, name);
}

#endif
