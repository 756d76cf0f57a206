#include "support/player.h"

#include <cstdlib>

namespace e2e {

const char kPlayerExe[] = "C:\\veltoCD\\veltoCD.exe";
const char kSettingsPath[] = "C:\\veltoCD\\veltoCD.ini";

namespace {

struct WindowSearch {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param)
{
    WindowSearch* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search->pid) {
        search->found.push_back(window);
    }
    return TRUE;
}

struct ChildSearch {
    const char* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectChild(HWND window, LPARAM param)
{
    ChildSearch* search = reinterpret_cast<ChildSearch*>(param);
    if (search->className == nullptr || lstrcmpiA(ClassOf(window).c_str(), search->className) == 0) {
        search->found.push_back(window);
    }
    return TRUE;
}

bool IsMainWindow(HWND window)
{
    return ClassOf(window) == "#32770" && TextOf(window) == "veltoCD" && GetWindow(window, GW_OWNER) == nullptr;
}

void KeyInput(INPUT& input, WORD virtualKey, bool up)
{
    input = INPUT();
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtualKey, 0));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
}

// "Z:" + the Unix path with backslashes: Wine maps Z: to the Unix root.
std::string ArtifactsFolder()
{
    const char* unixPath = std::getenv("VELTO_ARTIFACTS");
    if (unixPath == nullptr || unixPath[0] != '/') {
        return std::string();
    }
    std::string folder = "Z:";
    for (const char* p = unixPath; *p != '\0'; ++p) {
        folder += *p == '/' ? '\\' : *p;
    }
    // Create each level; existing ones just fail.
    for (std::size_t i = 3; i <= folder.size(); ++i) {
        if (i == folder.size() || folder[i] == '\\') {
            CreateDirectoryA(folder.substr(0, i).c_str(), nullptr);
        }
    }
    return folder;
}

}  // namespace

PlayerProcess::~PlayerProcess()
{
    if (info_.hProcess == nullptr) {
        return;
    }
    if (Running()) {
        Post(WM_CLOSE);
        DWORD code = 0;
        if (!WaitForExit(5000, &code)) {
            // Our own child, ended by its handle: the next test needs the mutex free.
            TerminateProcess(info_.hProcess, 1);
            WaitForSingleObject(info_.hProcess, 5000);
        }
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

bool PlayerProcess::Start()
{
    if (info_.hProcess != nullptr) {
        return false;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    char commandLine[MAX_PATH];
    lstrcpynA(commandLine, kPlayerExe, MAX_PATH);
    startTick_ = GetTickCount();
    // Started from another directory: the player must find its settings by its own path.
    if (!CreateProcessA(kPlayerExe, commandLine, nullptr, nullptr, FALSE, 0, nullptr, "C:\\", &startup, &info_)) {
        info_ = PROCESS_INFORMATION();
        return false;
    }
    return true;
}

HWND PlayerProcess::WaitForWindow(DWORD timeoutMs)
{
    if (window_ != nullptr || info_.hProcess == nullptr) {
        return window_;
    }
    WaitUntil(
        [this] {
            for (HWND window : TopLevelWindowsOf(Pid())) {
                if (IsWindowVisible(window) && IsMainWindow(window)) {
                    window_ = window;
                    windowTick_ = GetTickCount();
                    return true;
                }
            }
            return !Running();
        },
        timeoutMs, 5);
    return window_;
}

bool PlayerProcess::Running() const
{
    return info_.hProcess != nullptr && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

bool PlayerProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode)
{
    if (info_.hProcess == nullptr || WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        return false;
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    if (exitCode != nullptr) {
        *exitCode = code;
    }
    return true;
}

bool PlayerProcess::Post(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return window_ != nullptr && PostMessageA(window_, message, wParam, lParam) != FALSE;
}

bool PlayerProcess::BringToFront(DWORD timeoutMs) const
{
    if (window_ == nullptr) {
        return false;
    }
    if (GetForegroundWindow() == window_) {
        return true;
    }
    SetForegroundWindow(window_);
    return WaitUntil([this] { return GetForegroundWindow() == window_; }, timeoutMs);
}

bool PlayerProcess::PressAlt(char letter) const
{
    if (!BringToFront(2000)) {
        return false;
    }
    INPUT keys[4];
    KeyInput(keys[0], VK_MENU, false);
    KeyInput(keys[1], static_cast<WORD>(letter), false);
    KeyInput(keys[2], static_cast<WORD>(letter), true);
    KeyInput(keys[3], VK_MENU, true);
    return SendInput(4, keys, sizeof(INPUT)) == 4;
}

bool PlayerProcess::PressKey(WORD virtualKey) const
{
    if (!BringToFront(2000)) {
        return false;
    }
    INPUT keys[2];
    KeyInput(keys[0], virtualKey, false);
    KeyInput(keys[1], virtualKey, true);
    return SendInput(2, keys, sizeof(INPUT)) == 2;
}

HWND PlayerProcess::FocusWindow() const
{
    if (window_ == nullptr) {
        return nullptr;
    }
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &info)) {
        return nullptr;
    }
    return info.hwndFocus;
}

bool IsTopmost(HWND window)
{
    return (GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

bool ClickAt(POINT point, bool rightButton)
{
    // Moved by hand rather than by an absolute move in the input, whose scaling to pixels
    // may round to a neighbour; Wine may report the old place for a moment after the move.
    const auto arrived = [point] {
        POINT cursor = {};
        return GetCursorPos(&cursor) && cursor.x == point.x && cursor.y == point.y;
    };
    if (!SetCursorPos(point.x, point.y) || !WaitUntil(arrived, 1000)) {
        return false;
    }
    INPUT clicks[2] = {};
    clicks[0].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = rightButton ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    clicks[1].type = INPUT_MOUSE;
    clicks[1].mi.dwFlags = rightButton ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    return SendInput(2, clicks, sizeof(INPUT)) == 2;
}

std::vector<HWND> VisibleMenusOf(DWORD pid)
{
    std::vector<HWND> menus;
    for (HWND window : TopLevelWindowsOf(pid)) {
        if (IsWindowVisible(window) && ClassOf(window) == "#32768") {
            menus.push_back(window);
        }
    }
    return menus;
}

std::vector<HWND> TopLevelWindowsOf(DWORD pid)
{
    WindowSearch search = {pid, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string ClassOf(HWND window)
{
    char name[256];
    int length = GetClassNameA(window, name, sizeof name);
    return std::string(name, length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::string TextOf(HWND window)
{
    char text[1024];
    int length = GetWindowTextA(window, text, sizeof text);
    return std::string(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::vector<HWND> ChildrenOf(HWND window, const char* className)
{
    ChildSearch search = {className, {}};
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD stepMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (done()) {
            return true;
        }
        if (GetTickCount() - start >= timeoutMs) {
            return done();
        }
        Sleep(stepMs);
    }
}

std::string ReadFileBytes(const char* path)
{
    std::string bytes;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return bytes;
    }
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        bytes.append(buffer, got);
    }
    CloseHandle(file);
    return bytes;
}

bool WriteFileBytes(const char* path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool RemoveFile(const char* path)
{
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(path) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

bool PrepareRun(const simdrive::Disc& disc, const char* settings)
{
    if (!RemoveFile(kSettingsPath) || (settings != nullptr && !WriteFileBytes(kSettingsPath, settings))) {
        return false;
    }
    return simdrive::writeDisc(disc) && simdrive::clearLog();
}

std::string SavedSetting(const char* key)
{
    char value[MAX_PATH];
    GetPrivateProfileStringA("GENERAL", key, "", value, MAX_PATH, kSettingsPath);
    return value;
}

std::vector<std::string> TextLines(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty()) {
            lines.push_back(line);
        }
        start = end + 1;
    }
    return lines;
}

void SettlePainting(HWND window)
{
    // Painted by the owner's thread before the redraw returns; Wine then copies the
    // window's surface to the X server a little later, and the screen is read from there.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer);
    Sleep(200);
}

bool SaveScreenshot(const char* name)
{
    const std::string folder = ArtifactsFolder();
    if (folder.empty()) {
        return false;
    }
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageSize = stride * static_cast<DWORD>(height);

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as a .bmp file stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = imageSize;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool copied = false;
    if (memory != nullptr && picture != nullptr) {
        HGDIOBJ previous = SelectObject(memory, picture);
        copied = BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY) != FALSE;
        GdiFlush();
        SelectObject(memory, previous);
    }
    std::string bytes;
    if (copied) {
        BITMAPFILEHEADER header = {};
        header.bfType = 0x4D42;  // "BM"
        header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
        header.bfSize = header.bfOffBits + imageSize;
        bytes.append(reinterpret_cast<const char*>(&header), sizeof header);
        bytes.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(BITMAPINFOHEADER));
        bytes.append(static_cast<const char*>(bits), imageSize);
    }
    if (picture != nullptr) {
        DeleteObject(picture);
    }
    if (memory != nullptr) {
        DeleteDC(memory);
    }
    ReleaseDC(nullptr, screen);
    return copied && WriteFileBytes((folder + "\\" + name + ".bmp").c_str(), bytes);
}

simdrive::Disc LongDisc()
{
    return simdrive::discWithTracks({60000, 60000, 60000});
}

DWORD CloseAndWait(PlayerProcess& player, UINT message, WPARAM wParam)
{
    DWORD code = STILL_ACTIVE;
    if (player.Post(message, wParam)) {
        player.WaitForExit(kExitTimeoutMs, &code);
    }
    return code;
}

Bystander::Bystander(int x, int y)
    : window(CreateWindowExA(0, "STATIC", "bystander", WS_POPUP | WS_VISIBLE | WS_BORDER, x, y, 160, 60, nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr))
{
}

Bystander::~Bystander()
{
    if (window != nullptr) {
        DestroyWindow(window);
    }
}

void Bystander::Pump() const
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&msg);
    }
}

bool Bystander::TakeForeground() const
{
    // Asked again while waiting: under load the player's own last activation may still be
    // on its way and win over the first request.
    return WaitUntil(
        [this] {
            Pump();
            if (GetForegroundWindow() == window) {
                return true;
            }
            SetForegroundWindow(window);
            return false;
        },
        5000, 50);
}

}  // namespace e2e
