// Reads the simulated drive's log as it grows and finds what the player must never send:
// a command to a device it has not open, a second open over one it never closed, a play
// while the drive's last answer said there was no disc, a play of a track the disc lacks.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class DriveWatch {
public:
    // A new player is about to start with an empty log: nothing is open, nothing known.
    void NewPlayer();
    // Takes the lines added since the last call; each fault found is added to `faults`.
    // `echo` gets every new line, for the operation log.
    void Take(std::vector<std::string>& faults, std::string& echo);
    bool DeviceOpen() const { return open_; }
    size_t Size() const { return lines_.size(); }
    // The first line at or after `from` holding every one of `texts`, or npos.
    size_t Find(size_t from, const std::vector<std::string>& texts) const;
    const std::string& Line(size_t i) const { return lines_[i]; }
    // Milliseconds since the last status query was read, while the device is open.
    DWORD QuietFor() const { return GetTickCount() - lastQueryAt_; }

    static constexpr size_t npos = static_cast<size_t>(-1);

private:
    enum class Disc {
        Unknown,
        Absent,
        Present
    };
    void Check(const std::string& line, size_t index, std::vector<std::string>& faults);

    std::vector<std::string> lines_;
    bool open_ = false;
    size_t closedAt_ = npos;  // the line that closed the device, for the report
    Disc disc_ = Disc::Unknown;
    size_t discAnswer_ = npos;  // the line of the last answer about the disc
    int trackCount_ = 0;
    DWORD lastQueryAt_ = GetTickCount();
};
