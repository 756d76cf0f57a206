#include "support/drive_log.h"

#include <cstdlib>

#include "support/player.h"
#include "support/sim_drive.h"

namespace e2e {

namespace {

bool IsCommand(const std::string& line, const char* command)
{
    return line.compare(0, line.find(' '), command) == 0;
}

// The track an accepted "MCI_PLAY ... from=T:..." starts at; 0 for any other line.
int PlayedTrack(const std::string& line)
{
    const std::size_t from = line.find(" from=");
    const bool accepted = IsCommand(line, "MCI_PLAY") && line.find(" -> 0") != std::string::npos;
    return accepted && from != std::string::npos ? std::atoi(line.c_str() + from + 6) : 0;
}

}  // namespace

LineMatch Sends(const char* command)
{
    return [command](const std::string& line) { return IsCommand(line, command); };
}

LineMatch Plays(int track)
{
    return [track](const std::string& line) { return PlayedTrack(line) == track; };
}

void DriveLog::Poll()
{
    const std::vector<std::string> lines = simdrive::readLog();
    const DWORD now = GetTickCount();
    for (std::size_t i = entries.size(); i < lines.size(); ++i) {
        entries.push_back(Entry{lines[i], now});
    }
}

std::size_t DriveLog::WaitFor(const LineMatch& match, std::size_t from, DWORD timeoutMs)
{
    std::size_t found = npos;
    WaitUntil(
        [&] {
            for (Poll(); from < entries.size() && found == npos; ++from) {
                found = match(entries[from].line) ? from : npos;
            }
            return found != npos;
        },
        timeoutMs);
    return found;
}

std::string DriveLog::PlaysSince(std::size_t from) const
{
    std::string plays;
    for (; from < entries.size(); ++from) {
        if (int track = PlayedTrack(entries[from].line)) {
            plays += " " + std::to_string(track);
        }
    }
    return plays.empty() ? plays : plays.substr(1);
}

std::string DriveLog::CommandsSince(std::size_t from) const
{
    std::string names;
    for (; from < entries.size(); ++from) {
        const std::string& line = entries[from].line;
        if (line.compare(0, 4, "MCI_") == 0 && !IsCommand(line, "MCI_STATUS")) {
            names += " " + line.substr(0, line.find(' '));
        }
    }
    return names.empty() ? names : names.substr(1);
}

}  // namespace e2e
