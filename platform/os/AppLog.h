#pragma once
// The application log: start-up diagnostics and RC6 keys, one bracketed,
// timestamped line per call. Separate from the decoders' trace facility.
#include <string>

// Appends "[MM/DD/YY HH:MM:SS : <tick ms, 8 wide>] <format with args>\n".
// The file is opened, appended to and closed for each line, so both the
// window thread and the interrupt thread may call it; a single write per
// line keeps lines whole. A line never exceeds 255 wide characters (longer
// ones are cut and keep their newline). A line that cannot be written is
// lost alone and nothing is reported.
// Wide printf rules of the C library apply: on Linux %s takes a narrow
// string and %ls a wide one.
void WriteLog(const wchar_t* format, ...);

namespace remorra::os {

// Where WriteLog writes: REMORRA_LOG when set, else on Linux
// $XDG_STATE_HOME/remorra/Remorra.log, else ~/.local/state/remorra/Remorra.log,
// and on Windows c:\Remorra.log.
std::string ApplicationLogPath();

// Longest line WriteLog writes, newline included, in wide characters.
inline constexpr int kMaxLogLineChars = 255;

} // namespace remorra::os
