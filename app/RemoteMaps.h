#pragma once
// Where remote maps come from and which are active: the user's own in
// <documents>/Remorra/Remotes/*.toml (active unless switched off) and, on
// Linux, the system's keymaps from ir-keytable (off unless switched on, since
// remotes share scancodes). The choice and the repeat control live in
// config.ini's [RemoteMaps] section, apart from every older key.
#include "keys/KeymapTable.h"
#include "keys/RemoteMap.h"
#include "keys/RepeatControl.h"

#include <memory>
#include <string>
#include <vector>

namespace remorra {

inline constexpr const char* kRemoteMapsSection = "RemoteMaps";

// "<documents>/Remorra/Remotes/" (with the trailing separator); not created.
std::string RemotesFolder();
// REMORRA_SYSTEM_KEYMAPS (folders separated by ';') when set, else
// /etc/rc_keymaps then /lib/udev/rc_keymaps on Linux, none on Windows. A
// file of an earlier folder hides one of the same name in a later folder.
std::vector<std::string> SystemKeymapFolders();

struct RemoteMapFile {
    std::string path;
    bool learned = false;
    std::string configKey; // "learned:NAME.toml" or "system:NAME.toml"
    bool active = false;
};

// Learned maps first, each group in file-name order.
std::vector<RemoteMapFile> ListRemoteMaps(const std::string& configFile);
int SetRemoteMapActive(const std::string& configFile, const RemoteMapFile& map, bool active);

keys::RepeatSettings ReadRepeatSettings(const std::string& configFile);
int WriteRepeatSettings(const std::string& configFile, const keys::RepeatSettings& s);

struct ActiveRemoteMaps {
    std::vector<keys::RemoteMap> maps;
    // One line per map left out (malformed: file and line) or per conflict.
    std::vector<std::string> problems;
    // Built from `maps` (never null): the conflicts are only known once it is.
    std::unique_ptr<keys::KeymapTable> table;
};
// Each problem is also written to the log; none stops anything.
ActiveRemoteMaps LoadActiveRemoteMaps(const std::string& configFile);

} // namespace remorra
