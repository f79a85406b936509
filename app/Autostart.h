#pragma once
// Start at log-in, turned on by the user: the program's entry in the
// desktop's autostart folder (XDG autostart) and the command-line switch that
// entry starts it with. The entry is the user's own; nothing is installed
// for every user.
#include <string>

namespace remorra {

// The switch of the log-in entry: start in the notification area, as
// "startandhide" does, whatever config.ini says.
inline constexpr const char* kStartHiddenSwitch = "--hidden";

struct ProgramArgs {
    bool version = false;
    bool help = false;
    bool hidden = false;
};
// Unknown arguments are ignored, as the program always has.
ProgramArgs ParseProgramArgs(int argc, const char* const* argv);

// "$XDG_CONFIG_HOME/autostart/remorra.desktop", else under "$HOME/.config";
// empty when neither is set (a relative XDG_CONFIG_HOME counts as unset).
std::string AutostartEntryPath(const char* xdgConfigHome, const char* home);
// The same from the process environment.
std::string AutostartEntryPath();

// The entry's text for the program at `programPath`, started hidden.
std::string AutostartEntryText(const std::string& programPath);

// True when the entry exists and is not hidden ("Hidden=true" switches an
// entry off for the desktop, whoever wrote it).
bool AutostartEnabled(const std::string& entryPath);

// Writes the entry whole (creating the folder) or removes it. False, with
// the reason in `error`, when that failed; the previous entry is then as it
// was.
bool SetAutostart(const std::string& entryPath, bool on, const std::string& programPath, std::string& error);

} // namespace remorra
