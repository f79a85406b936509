#pragma once
// Unix stream sockets at a path, as the simulated card's listener and the
// LIRC event socket serve them. Linux units only.
#include <sys/un.h>

#include <string>

namespace remorra::os {

// "WHAT: <strerror(errno)>".
std::string sysError(const std::string& what);
// The address of `path`; false with `error` when the path is empty or too
// long for one (quoting at most `shownChars` of it).
bool socketAddress(const std::string& path, sockaddr_un& addr, std::string& error,
                   std::size_t shownChars = std::string::npos);
// A connected socket to `addr`, else -1 with errno kept.
int connectTo(const sockaddr_un& addr);
// Whether a socket may be bound at `path`: false with `error` when something
// other than a socket is there, or a socket that answers (`servedText`). A
// socket left by a run that ended without removing it is removed.
bool claimSocketPath(const std::string& path, const sockaddr_un& addr, const char* servedText, std::string& error);

} // namespace remorra::os
