#include "app/Autostart.h"

#include "platform/os/Files.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <system_error>

namespace remorra {

namespace {

// A string value of the desktop entry format: `\` and line breaks escaped.
std::string StringValue(const std::string& s)
{
    std::string out;
    for (char c : s) {
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        if (c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

// The desktop entry format's quoting of one Exec argument: quoted when it
// holds a reserved character, with `"`, `` ` ``, `$` and `\` escaped inside;
// then `\` escaped again for the string value and `%` doubled for the field
// codes.
std::string ExecArgument(const std::string& arg)
{
    const bool quote = arg.empty() || arg.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string::npos;
    std::string quoted;
    if (quote)
        quoted += '"';
    for (char c : arg) {
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
            quoted += '\\';
        quoted += c;
    }
    if (quote)
        quoted += '"';
    std::string out;
    for (char c : StringValue(quoted)) {
        if (c == '%')
            out += '%';
        out += c;
    }
    return out;
}

std::string Trimmed(const std::string& s)
{
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

} // namespace

ProgramArgs ParseProgramArgs(int argc, const char* const* argv)
{
    ProgramArgs args;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0)
            args.version = true;
        else if (std::strcmp(argv[i], "--help") == 0)
            args.help = true;
        else if (std::strcmp(argv[i], kStartHiddenSwitch) == 0)
            args.hidden = true;
    }
    return args;
}

std::string AutostartEntryPath(const char* xdgConfigHome, const char* home)
{
    // XDG base directories must be absolute; a relative one is ignored.
    if (xdgConfigHome && xdgConfigHome[0] == '/')
        return std::string(xdgConfigHome) + "/autostart/remorra.desktop";
    if (home && *home)
        return std::string(home) + "/.config/autostart/remorra.desktop";
    return {};
}

std::string AutostartEntryPath() { return AutostartEntryPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")); }

std::string AutostartEntryText(const std::string& programPath)
{
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Remorra\n"
           "Comment=Turn an infra-red remote control into keyboard input\n"
           // Without the program (uninstalled) the desktop skips the entry.
           "TryExec=" + StringValue(programPath) + "\n"
           "Exec=" + ExecArgument(programPath) + " " + kStartHiddenSwitch + "\n"
           "Icon=remorra\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool AutostartEnabled(const std::string& entryPath)
{
    std::string text;
    if (entryPath.empty() || !os::readWholeFile(entryPath, text))
        return false;
    std::istringstream lines(text);
    std::string line;
    bool inEntry = false;
    while (std::getline(lines, line)) {
        line = Trimmed(line);
        if (!line.empty() && line[0] == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        const auto eq = line.find('=');
        if (inEntry && eq != std::string::npos && Trimmed(line.substr(0, eq)) == "Hidden")
            return Trimmed(line.substr(eq + 1)) != "true";
    }
    return true;
}

bool SetAutostart(const std::string& entryPath, bool on, const std::string& programPath, std::string& error)
{
    namespace fs = std::filesystem;
    error.clear();
    if (entryPath.empty()) {
        error = "no home folder for the autostart entry";
        return false;
    }
    std::error_code ec;
    if (!on) {
        fs::remove(entryPath, ec);
        if (ec)
            error = entryPath + ": " + ec.message();
        return !ec;
    }
    fs::create_directories(fs::path(entryPath).parent_path(), ec);
    if (ec) {
        error = fs::path(entryPath).parent_path().string() + ": " + ec.message();
        return false;
    }
    const os::FileResult written = os::writeFileAtomically(entryPath, AutostartEntryText(programPath));
    error = written.error;
    return static_cast<bool>(written);
}

} // namespace remorra
