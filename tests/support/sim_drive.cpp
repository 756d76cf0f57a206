#include "support/sim_drive.h"

#include <mmsystem.h>

#include <cstdio>

namespace simdrive {
namespace {

const wchar_t kWindowClass[] = L"veltoSimDriveNotify";

// Retries briefly: the drive may have the file open for a moment.
bool writeWhole(const std::wstring& path, const std::string& data) {
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 50 && h == INVALID_HANDLE_VALUE; ++attempt) {
        h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) Sleep(10);
    }
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == data.size();
}

DWORD elapsedSince(DWORD start) { return GetTickCount() - start; }

std::wstring dir() {
    wchar_t buf[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"CDSIM_DIR", buf, MAX_PATH);
    std::wstring d = (n == 0 || n >= MAX_PATH) ? std::wstring(L"C:\\cdsim") : std::wstring(buf, n);
    while (!d.empty() && (d.back() == L'\\' || d.back() == L'/')) d.pop_back();
    if (d.empty()) d = L"C:\\cdsim";
    CreateDirectoryW(d.c_str(), nullptr);
    return d;
}

std::wstring controlPath() { return dir() + L"\\disc.txt"; }
std::wstring logPath() { return dir() + L"\\mci.log"; }

std::string controlText(const Disc& disc) {
    std::string t = "# written by the tests\n";
    t += "present=" + std::string(disc.present ? "1" : "0") + "\n";
    t += "ready=" + std::string(disc.ready ? "1" : "0") + "\n";
    if (!disc.tracksMs.empty()) {
        t += "tracks=";
        for (std::size_t i = 0; i < disc.tracksMs.size(); ++i) {
            if (i) t += ',';
            t += std::to_string(disc.tracksMs[i]);
        }
        t += "\n";
    }
    t += "fail_open=" + std::string(disc.failOpen ? "1" : "0") + "\n";
    t += "fail_time_format=" + std::string(disc.failTimeFormat ? "1" : "0") + "\n";
    t += "fail_play=" + std::string(disc.failPlay ? "1" : "0") + "\n";
    t += "fail_after_ms=" + std::to_string(disc.failAfterMs) + "\n";
    t += "notify_end=" + std::string(disc.notifyEnd ? "1" : "0") + "\n";
    t += "start_delay_ms=" + std::to_string(disc.startDelayMs) + "\n";
    t += "start_delay_mode=" + std::string(disc.startDelayStop ? "stop" : "seek") + "\n";
    t += "close_delay_ms=" + std::to_string(disc.closeDelayMs) + "\n";
    return t;
}

}  // namespace

Disc discWithTracks(std::vector<unsigned> tracksMs) {
    Disc d;
    d.present = true;
    d.tracksMs = std::move(tracksMs);
    return d;
}

bool writeControlText(const std::string& text) {
    std::wstring target = controlPath();
    std::wstring temp = target + L".tmp";
    if (!writeWhole(temp, text)) return false;
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
        Sleep(10);
    }
    return false;
}

bool writeDisc(const Disc& disc) { return writeControlText(controlText(disc)); }

bool removeControlFile() {
    return DeleteFileW(controlPath().c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

bool clearLog() { return writeWhole(logPath(), std::string()); }

std::vector<std::string> readLog() {
    std::vector<std::string> lines;
    HANDLE h = CreateFileW(logPath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return lines;
    std::string data;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) data.append(buf, got);
    CloseHandle(h);

    std::size_t start = 0;
    while (start < data.size()) {
        std::size_t nl = data.find('\n', start);
        // A line still being written has no LF yet: leave it for the next read.
        if (nl == std::string::npos) break;
        std::string line = data.substr(start, nl - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = nl + 1;
    }
    return lines;
}

std::string notifyName(WPARAM status) {
    switch (status) {
    case MCI_NOTIFY_SUCCESSFUL: return "MCI_NOTIFY_SUCCESSFUL";
    case MCI_NOTIFY_SUPERSEDED: return "MCI_NOTIFY_SUPERSEDED";
    case MCI_NOTIFY_ABORTED: return "MCI_NOTIFY_ABORTED";
    case MCI_NOTIFY_FAILURE: return "MCI_NOTIFY_FAILURE";
    default: {
        char buf[32];
        std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(status));
        return buf;
    }
    }
}

NotifyWindow::NotifyWindow() {
    HINSTANCE inst = GetModuleHandleW(nullptr);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = inst;
    wc.lpszClassName = kWindowClass;
    RegisterClassW(&wc);  // fails harmlessly when a previous window registered it
    hwnd_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, inst, nullptr);
    if (hwnd_) SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

NotifyWindow::~NotifyWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
}

LRESULT CALLBACK NotifyWindow::proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == MM_MCINOTIFY) {
        if (auto* self = reinterpret_cast<NotifyWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)))
            self->received_.push_back({wParam, lParam});
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void NotifyWindow::pump(DWORD timeoutMs, bool untilOne) {
    DWORD start = GetTickCount();
    std::size_t before = received_.size();
    for (;;) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        if (untilOne && received_.size() > before) return;
        DWORD spent = elapsedSince(start);
        if (spent >= timeoutMs) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - spent, QS_ALLINPUT);
    }
}

std::optional<Notification> NotifyWindow::wait(DWORD timeoutMs) {
    if (received_.empty()) pump(timeoutMs, true);
    if (received_.empty()) return std::nullopt;
    Notification n = received_.front();
    received_.erase(received_.begin());
    return n;
}

std::vector<Notification> NotifyWindow::collect(DWORD forMs) {
    pump(forMs, false);
    std::vector<Notification> out;
    out.swap(received_);
    return out;
}

std::vector<WPARAM> NotifyWindow::statuses(DWORD forMs) {
    std::vector<WPARAM> out;
    for (const Notification& n : collect(forMs)) out.push_back(n.status);
    return out;
}

void NotifyWindow::clear() { collect(0); }

}  // namespace simdrive
