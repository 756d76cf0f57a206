#include "common/text.h"

namespace {

// Bytes of the character starting at text, 1 or 2 (a lead byte with its trail byte).
int CharacterLength(const char* text)
{
    return IsDBCSLeadByte(static_cast<BYTE>(text[0])) && text[1] != '\0' ? 2 : 1;
}

}  // namespace

int CopyText(char* dest, int destSize, const char* src)
{
    if (destSize <= 0) {
        return 0;
    }
    int length = 0;
    if (src != nullptr) {
        while (src[length] != '\0') {
            const int step = CharacterLength(src + length);
            if (length + step > destSize - 1) {
                break;
            }
            dest[length] = src[length];
            if (step == 2) {
                dest[length + 1] = src[length + 1];
            }
            length += step;
        }
    }
    dest[length] = '\0';
    return length;
}

bool CutToDirectory(char* path, DWORD length)
{
    if (length == 0 || length >= MAX_PATH) {
        path[0] = '\0';
        return false;
    }
    char* end = path;
    for (char* p = path; *p != '\0'; p = CharNextA(p)) {
        if (*p == '\\') {
            end = p + 1;
        }
    }
    *end = '\0';
    return true;
}
