#include "app/LircSocket.h"

#include "app/Config.h"
#include "app/ProcessServices.h"

#include <algorithm>

namespace remorra::app {

std::vector<keys::LircRemote> LircRemotes(const keys::KeymapTable* maps)
{
    std::vector<keys::LircRemote> remotes{keys::CardRemote()};
    if (!maps)
        return remotes;
    for (const keys::KeymapEntry& e : maps->entries()) {
        keys::ButtonEvent names; // the names as the broadcast lines write them
        names.setNames(e.keyName, e.remote);
        auto at = std::find_if(remotes.begin(), remotes.end(),
                               [&](const keys::LircRemote& r) { return r.name == names.remote; });
        if (at == remotes.end())
            at = remotes.insert(remotes.end(), {names.remote, {}});
        at->buttons.push_back({e.scancode, names.button});
    }
    return remotes;
}

std::string LircSocketPathFromConfig(const std::string& configFile)
{
    if (ReadConfigInt(configFile, kLircSection, kLircEnabledKey) == 0)
        return {};
    std::string path = ReadConfigValue(configFile, kLircSection, kLircPathKey);
    if (!path.empty())
        return path;
    const std::string folder = RuntimeFolder();
    return folder.empty() ? std::string() : folder + "/" + kLircSocketName;
}

} // namespace remorra::app
