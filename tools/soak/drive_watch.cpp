#include "drive_watch.h"

#include <cstdlib>

#include "mci_log.h"

namespace {

std::string Quote(size_t index, const std::string& line)
{
    return "mci.log line " + std::to_string(index + 1) + " \"" + line + "\"";
}

// The error code after " -> ", or -1 for a line without one (a notification).
long ErrorOf(const std::string& line)
{
    const size_t arrow = line.find(" -> ");
    return arrow == std::string::npos ? -1 : std::strtol(line.c_str() + arrow + 4, nullptr, 10);
}

std::string ReturnOf(const std::string& line)
{
    const size_t at = line.find(" return=");
    return at == std::string::npos ? "" : line.substr(at + 8);
}

}  // namespace

void DriveWatch::NewPlayer()
{
    lines_.clear();
    open_ = false;
    closedAt_ = npos;
    disc_ = Disc::Unknown;
    discAnswer_ = npos;
    trackCount_ = 0;
    lastQueryAt_ = GetTickCount();
}

void DriveWatch::Take(std::vector<std::string>& faults, std::string& echo)
{
    const std::vector<std::string> now = cdsim::readLog();
    for (size_t i = lines_.size(); i < now.size(); ++i) {
        lines_.push_back(now[i]);
        echo += "  | " + now[i] + "\n";
        Check(now[i], i, faults);
    }
}

size_t DriveWatch::Find(size_t from, const std::vector<std::string>& texts) const
{
    for (size_t i = from; i < lines_.size(); ++i) {
        bool all = true;
        for (const std::string& text : texts) all = all && lines_[i].find(text) != std::string::npos;
        if (all) return i;
    }
    return npos;
}

void DriveWatch::Check(const std::string& line, size_t index, std::vector<std::string>& faults)
{
    const std::string name = line.substr(0, line.find(' '));
    const long error = ErrorOf(line);
    if (name == "NOTIFY" || error < 0) return;
    if (name == "MCI_OPEN") {
        if (error == 0 && open_)
            faults.push_back(Quote(index, line) + ": opened again while the earlier device was never closed");
        open_ = open_ || error == 0;
        return;
    }
    if (!open_) {
        faults.push_back(
            Quote(index, line) + ": reached the drive while no device was open (" +
            (closedAt_ == npos ? std::string("none opened yet") : "closed at line " + std::to_string(closedAt_ + 1)) +
            ")");
    }
    if (name == "MCI_CLOSE") {
        open_ = false;
        closedAt_ = index;
        return;
    }
    if (name == "MCI_STATUS") {
        lastQueryAt_ = GetTickCount();
        const std::string answer = ReturnOf(line);
        const bool presence = line.find("item=MCI_STATUS_MEDIA_PRESENT") != std::string::npos ||
                              line.find("item=MCI_STATUS_READY") != std::string::npos;
        if (presence && (error != 0 || answer == "FALSE")) {
            disc_ = Disc::Absent;
            discAnswer_ = index;
        } else if (line.find("item=MCI_STATUS_NUMBER_OF_TRACKS") != std::string::npos) {
            trackCount_ = error == 0 ? std::atoi(answer.c_str()) : 0;
            disc_ = trackCount_ > 0 ? Disc::Present : Disc::Absent;
            discAnswer_ = index;
        }
        return;
    }
    if (name != "MCI_PLAY") return;
    if (disc_ == Disc::Absent) {
        faults.push_back(Quote(index, line) + ": a play sent although the drive's last answer, " +
                         Quote(discAnswer_, lines_[discAnswer_]) + ", said there was no disc");
    }
    // The player sets TMSF at every open: from=T:MM:SS:FF names the track.
    const size_t from = line.find(" from=");
    if (from == std::string::npos || disc_ != Disc::Present) return;
    const std::string position = line.substr(from + 6, line.find(' ', from + 6) - from - 6);
    int colons = 0;
    for (char c : position) colons += c == ':';
    const int track = std::atoi(position.c_str());
    if (colons == 3 && (track < 1 || track > trackCount_)) {
        faults.push_back(Quote(index, line) + ": a play of track " + std::to_string(track) +
                         " although the drive's last count, " + Quote(discAnswer_, lines_[discAnswer_]) + ", was " +
                         std::to_string(trackCount_));
    }
}
