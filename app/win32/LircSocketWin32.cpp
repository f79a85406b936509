// lircd's clients are Unix programs; Windows has none to serve.
#include "app/LircSocket.h"

namespace remorra::app {

std::unique_ptr<ILircServer> StartLircServer(const std::string& path, LircRemoteList, std::string& error)
{
    error = path + ": the LIRC event socket is available on Linux only";
    return nullptr;
}

} // namespace remorra::app
