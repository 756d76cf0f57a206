// Watches the simulated drive's command log from outside the player. The log has no
// times, so each line is stamped when the watcher first sees it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace e2e {

struct LogEntry {
    std::string line;
    DWORD seenAt;  // GetTickCount when first read
};

class DriveLog {
public:
    // Reads what is new since the last call.
    void Poll();
    const std::vector<LogEntry>& Entries() { return entries_; }
    std::size_t Size() const { return entries_.size(); }

    // Index of the first line at or after `from` that satisfies `match`, waiting up to
    // timeoutMs for it; npos if none came.
    std::size_t WaitFor(std::size_t from, const std::function<bool(const std::string&)>& match, DWORD timeoutMs);
    // Keeps polling for the whole of forMs (for "nothing else happens" checks).
    void Watch(DWORD forMs);

    // Tracks of the accepted plays from index `from` on, in order.
    std::vector<int> PlaysSince(std::size_t from);
    // How many lines from `from` on start with this command name.
    int CountSince(std::size_t from, const char* command);
    // The commands (not status queries nor notifications) from `from` on, names only.
    std::vector<std::string> CommandsSince(std::size_t from);

    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

private:
    std::vector<LogEntry> entries_;
};

// "MCI_PLAY ..." lines the drive accepted: the track of their start, else 0.
int PlayedTrack(const std::string& line);
bool IsCommand(const std::string& line, const char* command);
// A tick's poll starts with this query; plays ask it too.
bool IsPresenceQuery(const std::string& line);

}  // namespace e2e
