// Test-side access to the simulated CD drive (tools/cdsim): its control file, its
// command log, and a hidden window that receives MCI notifications.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace simdrive {

// One disc.txt. The defaults are those of the drive: an empty drive.
struct Disc {
    bool present = false;
    bool ready = true;
    std::vector<unsigned> tracksMs;
    bool failOpen = false;
    bool failTimeFormat = false;
    bool failPlay = false;
    unsigned failAfterMs = 0;
    bool notifyEnd = false;
    unsigned startDelayMs = 0;
    bool startDelayStop = false;  // report MCI_MODE_STOP rather than MCI_MODE_SEEK while starting
    unsigned closeDelayMs = 0;
};

// A disc in a ready drive with these track lengths (milliseconds).
Disc discWithTracks(std::vector<unsigned> tracksMs);

// The drive's folder is %CDSIM_DIR% if set, else C:\cdsim.
// Replace disc.txt as a whole (written beside it, then moved over it), so the drive
// never reads half a file. Return false if the file could not be written.
bool writeDisc(const Disc& disc);
bool writeControlText(const std::string& text);
bool removeControlFile();

// Empty the log; read it as lines without their line ends (empty if there is no log).
bool clearLog();
std::vector<std::string> readLog();

// One MM_MCINOTIFY: wParam is the MCI_NOTIFY_* status, lParam the device ID.
struct Notification {
    WPARAM status;
    LPARAM device;
};

// "MCI_NOTIFY_SUCCESSFUL" and so on, for readable failure messages.
std::string notifyName(WPARAM status);

// A hidden message-only window owned by the calling thread. Pass hwnd() as dwCallback.
// Notifications are only collected while one of the wait functions pumps messages.
class NotifyWindow {
public:
    NotifyWindow();
    ~NotifyWindow();
    NotifyWindow(const NotifyWindow&) = delete;
    NotifyWindow& operator=(const NotifyWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    DWORD_PTR callback() const { return reinterpret_cast<DWORD_PTR>(hwnd_); }

    // The next notification, waiting up to timeoutMs for it.
    std::optional<Notification> wait(DWORD timeoutMs);
    // Every notification that arrives within forMs (pumps for the whole time).
    std::vector<Notification> collect(DWORD forMs);
    // Just the statuses of collect().
    std::vector<WPARAM> statuses(DWORD forMs);
    // Drops whatever has arrived so far.
    void clear();

private:
    void pump(DWORD timeoutMs, bool untilOne);
    static LRESULT CALLBACK proc(HWND, UINT, WPARAM, LPARAM);

    HWND hwnd_ = nullptr;
    std::vector<Notification> received_;
};

}  // namespace simdrive
