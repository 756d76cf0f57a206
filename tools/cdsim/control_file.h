// The simulated disc, as described by the control file disc.txt (format in README.md).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace cdsim {

enum class DelayMode {
    Seek,
    Stop
};

struct DiscConfig {
    bool present = false;
    bool ready = true;
    std::vector<uint32_t> tracksMs;
    bool failOpen = false;
    bool failTimeFormat = false;
    bool failPlay = false;
    uint32_t failAfterMs = 0;
    bool notifyEnd = false;
    uint32_t startDelayMs = 0;
    DelayMode startDelayMode = DelayMode::Seek;
    uint32_t closeDelayMs = 0;
    uint32_t notReadyQueries = 0;      // status queries after each open that find the drive not ready
    std::vector<uint32_t> dataTracks;  // track numbers holding data, not audio

    bool isData(std::size_t track) const
    {
        for (uint32_t t : dataTracks)
            if (t == track) return true;
        return false;
    }

    // A disc that can be read: present, ready and with tracks.
    bool usable() const { return present && ready && !tracksMs.empty(); }
};

constexpr std::size_t kMaxTracks = 99;
constexpr uint32_t kMaxTrackMs = 100u * 60u * 1000u;
// An MSF minute is one byte, so no position may lie past 255 minutes.
constexpr uint32_t kMaxDiscMs = 255u * 60u * 1000u;
constexpr uint32_t kMaxDelayMs = 60u * 1000u;
constexpr std::size_t kMaxControlBytes = 64 * 1024;

// Parses the whole text of a control file. On failure returns false, leaves `out`
// untouched and says why in `error` (with the line number).
bool parseControl(const char* text, std::size_t len, DiscConfig& out, std::string& error);

// The control file's text for a disc: what the tests and the run command put in the drive.
// parseControl reads it back as the same disc.
std::string formatControl(const DiscConfig& disc);

// A disc in a ready drive with these track lengths, and nothing else out of the ordinary.
DiscConfig discWithTracks(std::vector<uint32_t> tracksMs);

// Puts the disc in the drive: disc.txt replaced as a whole, so the drive never reads half a
// file. False if it could not be written.
bool writeControl(const DiscConfig& disc);

// Reads and parses the control file at `path`. A missing, unreadable, oversized or
// malformed file gives the empty drive (a default DiscConfig); `error` says which.
DiscConfig loadControl(const std::wstring& path, std::string& error);

}  // namespace cdsim
