#pragma once
// Remote maps in the kernel's keymap format (what ir-keytable reads and
// writes): [[protocols]] tables with name, protocol and variant, each with
// [protocols.scancodes] binding a scancode to a KEY_* name. Reading goes
// through a TOML library; a malformed file is refused whole with its line.
#include "keys/IrScancode.h"
#include "platform/os/Files.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace remorra::keys {

struct MapBinding {
    std::uint32_t scancode = 0;
    std::string key; // KEY_* name
};

struct MapProtocol {
    std::string name;
    std::string protocol; // as written: "nec", "rc5", "rc6", ...
    std::string variant;  // may be empty
    IrFamily family = IrFamily::None; // None: a protocol this program does not decode
    std::vector<MapBinding> scancodes; // in file order
};

struct RemoteMap {
    std::string file; // where it was read from or goes to
    std::vector<MapProtocol> protocols;

    // The first protocol's name, else the file's stem.
    std::string displayName() const;
    bool supported() const; // at least one protocol this program decodes
    // The binding of (family, scancode), or null.
    const MapBinding* find(IrFamily family, std::uint32_t scancode) const;
    // Binds `key` to the code in the first table of the code's family (one
    // is added, named after the map, when there is none); replaces any
    // binding the scancode had.
    void bind(const IrCode& code, const std::string& key);
    // Every binding of `key` goes; true when there was one.
    bool unbind(const std::string& key);
};

enum class MapStatus { Ok, Unsupported, Malformed };
struct MapLoad {
    MapStatus status = MapStatus::Ok;
    std::string message; // "FILE:LINE: what" for Malformed, the protocols for Unsupported
};

// `source` names the text in messages.
MapLoad ParseRemoteMap(std::string_view text, const std::string& source, RemoteMap& out);
MapLoad LoadRemoteMap(const std::string& path, RemoteMap& out);
// The map as TOML text that ParseRemoteMap reads back to the same map.
std::string FormatRemoteMap(const RemoteMap& map);
// Whole or not at all (writeFileAtomically).
os::FileResult SaveRemoteMap(const RemoteMap& map, const std::string& path);

} // namespace remorra::keys
