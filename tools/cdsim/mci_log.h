// The command log mci.log and the names it writes (format in README.md).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace cdsim {

// The folder holding disc.txt and mci.log: %CDSIM_DIR% if set, else C:\cdsim.
// Read on every call, so a process may point the drive elsewhere at run time.
std::wstring simDir();
std::wstring simPath(const wchar_t* fileName);

// Appends `line` and a LF to mci.log; opens and closes the file each time so a reader
// always sees whole lines. Safe to call from any thread.
void appendLogLine(const std::string& line);

// Same lock as appendLogLine, for callers that must keep a command and its
// notifications together in the log.
void lockLog();
void unlockLog();

// The log as whole lines (one still being written is left out), and an empty log.
std::vector<std::string> readLog();
bool clearLog();
// Readings of log lines from `from` on: the tracks of the plays the drive accepted ("1 2"),
// the commands other than status queries ("MCI_STOP MCI_CLOSE"), the lines holding a text.
std::string plays(const std::vector<std::string>& lines, std::size_t from = 0);
std::string commands(const std::vector<std::string>& lines, std::size_t from = 0);
int countLines(const std::vector<std::string>& lines, const char* text, std::size_t from = 0);

std::string messageName(UINT msg);
// Flag names joined by '|' in ascending bit order; unknown bits as 0x...; "0" if none.
std::string flagsText(UINT msg, DWORD flags);
std::string timeFormatName(DWORD format);
std::string statusItemName(DWORD item);
std::string modeName(DWORD mode);
std::string notifyName(UINT status);
// A string from a parameter record, for the log: UTF-8, control characters and spaces
// replaced by '?', at most 64 characters. nullptr gives "(null)".
std::string logString(const wchar_t* s);

}  // namespace cdsim
