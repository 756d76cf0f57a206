#include "settings/disc_titles.h"

#include "settings/registry_value_reader.h"

namespace {

// "D:\", or empty when no drive is configured.
char cdRoot[4];

}  // namespace

void FindCdDrive()
{
    const RegistryValueReader reader(HKEY_LOCAL_MACHINE,
                                     "System\\CurrentControlSet\\control\\MediaResources\\mci\\cdaudio");
    // Without a value (or with one that is no number) the first drive; -1 is none.
    int n = reader.ReadValue(nullptr, "Default Drive", 0);
    cdRoot[0] = '\0';
    if (n == -1) {
        return;
    }
    // The n-th CD-ROM drive in letter order; none matches a number past the last or below 0.
    lstrcpyA(cdRoot, "A:\\");
    for (; cdRoot[0] <= 'Z'; ++cdRoot[0]) {
        if (GetDriveTypeA(cdRoot) == DRIVE_CDROM && n-- == 0) {
            return;
        }
    }
    cdRoot[0] = '\0';
}

bool CdDriveFound()
{
    return cdRoot[0] != '\0';
}

DWORD DiscId()
{
    DWORD serial = 0;
    if (cdRoot[0] == '\0' || !GetVolumeInformationA(cdRoot, nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) {
        return 0;
    }
    return serial;
}

namespace {

// A bare name: the platform looks for it in the Windows directory.
const wchar_t kTitlesFile[] = L"cdplayer.ini";

}  // namespace

DiscTitles::DiscTitles(DWORD discId) : file_(kTitlesFile)
{
    wsprintfW(section_, L"%8X", discId);
}

void DiscTitles::Title(int index, wchar_t (&title)[MAX_PATH]) const
{
    wchar_t key[16];
    wsprintfW(key, L"%d", index);
    file_.ReadString(section_, key, title, L"");
}

bool DiscTitles::CanStore(const wchar_t* title)
{
    BOOL lost = FALSE;
    return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, title, -1, nullptr, 0, nullptr, &lost) != 0 && !lost;
}

bool DiscTitles::Writable()
{
    wchar_t path[MAX_PATH];
    const UINT length = GetWindowsDirectoryW(path, MAX_PATH);
    if (length == 0 || length + 1 + lstrlenW(kTitlesFile) >= MAX_PATH) {
        return false;
    }
    lstrcatW(path, L"\\");
    lstrcatW(path, kTitlesFile);
    HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}

bool DiscTitles::Store(int index, const wchar_t* title) const
{
    wchar_t key[16];
    wsprintfW(key, L"%d", index);
    return file_.WriteString(section_, key, title[0] != L'\0' ? title : nullptr);
}
