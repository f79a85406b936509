#pragma once
// The event socket LIRC's clients (irw, irexec, media centres) listen to:
// lircd's broadcast lines for every button, and its command side. Off
// unless config.ini turns it on.
#include "keys/ButtonEvents.h"
#include "keys/KeymapTable.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace remorra::app {

inline constexpr const char* kLircSection = "LircSocket";
inline constexpr const char* kLircEnabledKey = "Enabled";
inline constexpr const char* kLircPathKey = "Path";
inline constexpr const char* kLircSocketName = "lircd";

// Output a client may have waiting before it counts as fallen behind and is
// dropped (about a thousand lines).
inline constexpr std::size_t kLircClientBacklogBytes = 64 * 1024;
inline constexpr std::size_t kLircMaxClients = 32;

// Where the socket goes: the configured path, else "lircd" in the runtime
// folder; empty when the socket is off.
std::string LircSocketPathFromConfig(const std::string& configFile);

class ILircServer : public keys::IButtonEventSink {
public:
    // Any thread: queued for the server's thread, never waits; dropped when
    // the queue is full.
    void OnButton(const keys::ButtonEvent& event) override = 0;
    virtual const std::string& path() const = 0;
};

// The card's remote, then one remote per active map (for LIST).
std::vector<keys::LircRemote> LircRemotes(const keys::KeymapTable* maps);

// The remotes LIST names, asked on the server's thread at each LIST, so a
// remote learnt while the program runs is listed at once.
using LircRemoteList = std::function<std::vector<keys::LircRemote>()>;

// Listens at `path` (created 0600; its folder is made 0700 when missing);
// only processes of the same user are served. Null with `error` when the
// socket cannot be set up; stops and removes the socket when destroyed.
std::unique_ptr<ILircServer> StartLircServer(const std::string& path, LircRemoteList remotes, std::string& error);

} // namespace remorra::app
