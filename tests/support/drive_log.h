// Watches the simulated drive's command log from outside the player. The log has no
// times, so each line is stamped when the watcher first sees it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace e2e {

using LineMatch = std::function<bool(const std::string&)>;
// Lines of this command ("MCI_STOP").
LineMatch Sends(const char* command);
// Plays of this track that the drive accepted.
LineMatch Plays(int track);

struct DriveLog {
    struct Entry {
        std::string line;
        DWORD seenAt;  // GetTickCount when first read
    };
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // Reads what is new since the last call.
    void Poll();
    // Index of the first line at or after `from` that matches, waiting up to timeoutMs for
    // it; npos if none came.
    std::size_t WaitFor(const LineMatch& match, std::size_t from = 0, DWORD timeoutMs = 5000);
    // From index `from` on, separated by spaces: the tracks of the accepted plays, and the
    // names of the commands (status queries and notifications left out).
    std::string PlaysSince(std::size_t from) const;
    std::string CommandsSince(std::size_t from) const;

    std::vector<Entry> entries;
};

}  // namespace e2e
