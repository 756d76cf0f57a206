#include "support/drive_log.h"

#include <cstdlib>

#include "support/sim_drive.h"

namespace e2e {

void DriveLog::Poll()
{
    const std::vector<std::string> lines = simdrive::readLog();
    const DWORD now = GetTickCount();
    for (std::size_t i = entries_.size(); i < lines.size(); ++i) {
        entries_.push_back(LogEntry{lines[i], now});
    }
}

std::size_t DriveLog::WaitFor(std::size_t from, const std::function<bool(const std::string&)>& match,
                              DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    std::size_t next = from;
    for (;;) {
        Poll();
        for (; next < entries_.size(); ++next) {
            if (match(entries_[next].line)) {
                return next;
            }
        }
        if (GetTickCount() - start >= timeoutMs) {
            return npos;
        }
        Sleep(10);
    }
}

void DriveLog::Watch(DWORD forMs)
{
    const DWORD start = GetTickCount();
    do {
        Poll();
        Sleep(10);
    } while (GetTickCount() - start < forMs);
    Poll();
}

std::vector<int> DriveLog::PlaysSince(std::size_t from)
{
    std::vector<int> plays;
    for (std::size_t i = from; i < entries_.size(); ++i) {
        if (int track = PlayedTrack(entries_[i].line)) {
            plays.push_back(track);
        }
    }
    return plays;
}

int DriveLog::CountSince(std::size_t from, const char* command)
{
    int count = 0;
    for (std::size_t i = from; i < entries_.size(); ++i) {
        if (IsCommand(entries_[i].line, command)) {
            ++count;
        }
    }
    return count;
}

std::vector<std::string> DriveLog::CommandsSince(std::size_t from)
{
    std::vector<std::string> names;
    for (std::size_t i = from; i < entries_.size(); ++i) {
        const std::string& line = entries_[i].line;
        if (line.compare(0, 4, "MCI_") == 0 && !IsCommand(line, "MCI_STATUS")) {
            names.push_back(line.substr(0, line.find(' ')));
        }
    }
    return names;
}

int PlayedTrack(const std::string& line)
{
    if (!IsCommand(line, "MCI_PLAY") || line.find(" -> 0") == std::string::npos) {
        return 0;
    }
    const std::size_t from = line.find(" from=");
    if (from == std::string::npos) {
        return 0;
    }
    return std::atoi(line.c_str() + from + 6);
}

bool IsCommand(const std::string& line, const char* command)
{
    const std::size_t length = std::char_traits<char>::length(command);
    return line.compare(0, length, command) == 0 && line.size() > length && line[length] == ' ';
}

bool IsPresenceQuery(const std::string& line)
{
    return IsCommand(line, "MCI_STATUS") && line.find("item=MCI_STATUS_MEDIA_PRESENT") != std::string::npos;
}

}  // namespace e2e
