#include "app/RemoteMaps.h"

#include "platform/os/AppLog.h"
#include "app/Config.h"
#include "platform/os/Files.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace remorra {
namespace {

std::vector<std::string> TomlFiles(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
        if (e.path().extension() == ".toml" && e.is_regular_file(ec)) names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string Joined(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/' || folder.back() == '\\') return folder + name;
    return folder + "/" + name;
}

} // namespace

std::string RemotesFolder() { return DataFolder() + "/Remotes/"; }

std::vector<std::string> SystemKeymapFolders() {
    if (const char* env = std::getenv("REMORRA_SYSTEM_KEYMAPS")) {
        const std::string set = env;
        std::vector<std::string> folders;
        std::size_t start = 0;
        while (start <= set.size()) {
            const std::size_t end = std::min(set.find(';', start), set.size());
            if (end > start) folders.push_back(set.substr(start, end - start));
            start = end + 1;
        }
        return folders;
    }
#ifdef _WIN32
    return {};
#else
    return {"/etc/rc_keymaps", "/lib/udev/rc_keymaps"};
#endif
}

std::vector<RemoteMapFile> ListRemoteMaps(const std::string& configFile) {
    std::vector<RemoteMapFile> out;
    auto add = [&](const std::string& folder, const std::string& name, bool learned) {
        RemoteMapFile f;
        f.path = Joined(folder, name);
        f.learned = learned;
        f.configKey = (learned ? "learned:" : "system:") + name;
        const std::string value = ReadConfigValue(configFile, kRemoteMapsSection, f.configKey);
        f.active = value.empty() ? learned : ParseLeadingInt(value) != 0;
        out.push_back(std::move(f));
    };
    for (const std::string& name : TomlFiles(RemotesFolder())) add(RemotesFolder(), name, true);
    std::vector<std::string> seen;
    for (const std::string& folder : SystemKeymapFolders()) {
        for (const std::string& name : TomlFiles(folder)) {
            if (std::find(seen.begin(), seen.end(), name) != seen.end()) continue;
            seen.push_back(name);
            add(folder, name, false);
        }
    }
    return out;
}

int SetRemoteMapActive(const std::string& configFile, const RemoteMapFile& map, bool active) {
    return WriteConfigValue(configFile, kRemoteMapsSection, map.configKey, active ? "1" : "0");
}

keys::RepeatSettings ReadRepeatSettings(const std::string& configFile) {
    const int delay = ReadConfigInt(configFile, kRemoteMapsSection, "RepeatDelay");
    const int period = ReadConfigInt(configFile, kRemoteMapsSection, "RepeatPeriod");
    return {static_cast<std::uint32_t>(std::max(delay, 0)), static_cast<std::uint32_t>(std::max(period, 0))};
}

int WriteRepeatSettings(const std::string& configFile, const keys::RepeatSettings& s) {
    if (const int rc = WriteConfigValue(configFile, kRemoteMapsSection, "RepeatDelay", std::to_string(s.delayMs)))
        return rc;
    return WriteConfigValue(configFile, kRemoteMapsSection, "RepeatPeriod", std::to_string(s.periodMs));
}

ActiveRemoteMaps LoadActiveRemoteMaps(const std::string& configFile) {
    ActiveRemoteMaps out;
    for (const RemoteMapFile& f : ListRemoteMaps(configFile)) {
        if (!f.active) continue;
        keys::RemoteMap map;
        const keys::MapLoad r = keys::LoadRemoteMap(f.path, map);
        if (r.status == keys::MapStatus::Ok) {
            out.maps.push_back(std::move(map));
        } else {
            out.problems.push_back(r.status == keys::MapStatus::Malformed ? r.message : f.path + ": " + r.message);
        }
    }
    out.table = std::make_unique<keys::KeymapTable>(out.maps, &out.problems);
    for (const std::string& line : out.problems) WriteLog(L"Remote map: %s", line.c_str());
    return out;
}

} // namespace remorra
