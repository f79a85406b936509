#include "Keymaps.h"

#include "app/Config.h"
#include "app/RemoteMaps.h"
#include "keys/KernelKeys.h"
#include "keys/RemoteMap.h"
#include "platform/os/Files.h"
#include "platform/tuner/IrCapture.h"
#include "platform/tuner/ReplayPipeline.h"

#include <cstdio>
#include <iostream>

using namespace remorra;

bool loadKeymapOptions(const std::vector<std::string>& files, keys::PublishedKeymaps& maps)
{
    std::vector<keys::RemoteMap> loaded;
    for (const std::string& f : files) {
        keys::RemoteMap map;
        const keys::MapLoad r = keys::LoadRemoteMap(f, map);
        if (r.status == keys::MapStatus::Malformed) {
            std::fprintf(stderr, "%s\n", r.message.c_str());
            return false;
        }
        if (r.status == keys::MapStatus::Unsupported) {
            std::fprintf(stderr, "%s: %s\n", f.c_str(), r.message.c_str());
            continue;
        }
        loaded.push_back(std::move(map));
    }
    std::vector<std::string> conflicts;
    auto table = std::make_unique<keys::KeymapTable>(loaded, &conflicts);
    for (const std::string& c : conflicts)
        std::fprintf(stderr, "%s\n", c.c_str());
    maps.publish(std::move(table));
    return true;
}

KeymapSink::KeymapSink(const keys::PublishedKeymaps& maps, const keys::ProfileViewCell* view) : m_maps(maps)
{
    if (!view)
        return;
    m_keys = std::make_unique<keys::KeyReportHandler>(m_out, *view, m_gate);
    m_remote = std::make_unique<keys::RemoteReportHandler>(*m_keys, m_out, maps, m_gate);
}

void KeymapSink::OnIrKey(std::int32_t type, const void* report)
{
    std::printf("%s\n", tuner::formatKeyReport(type, report).c_str());
    keys::IrCode code;
    if (keys::CodeOfReport(type, report, code)) {
        std::printf("  scancode %s\n", keys::ScancodeText(code).c_str());
        const keys::KeymapTable* table = m_maps.current();
        const keys::KeymapEntry* entry = table ? table->find(code) : nullptr;
        std::printf("  key %s\n", entry ? entry->keyName.c_str() : "none");
    }
    if (m_remote) {
        m_remote->OnIrKey(type, report);
        for (const keys::KeyEvent& e : m_out.take())
            std::printf("  %s\n", keys::ToString(e).c_str());
    }
    std::fflush(stdout);
}

namespace {

const char* kLearnHelp =
    "usage: remorra-ir learn MAP.toml KEY_NAME [CAPTURE]\n"
    "Decodes the capture (standard input when absent) with NEC, RC5 and RC6 together and binds\n"
    "the first scancode to KEY_NAME in MAP.toml (created when missing), replacing an earlier\n"
    "binding of KEY_NAME. Exit status: 0 bound, 1 nothing decodable, 2 bad usage or the\n"
    "scancode already bound to another key of the map.\n";

// The first decodable report's code.
class FirstCode final : public CIR_DecoderCallback {
public:
    void OnIrKey(std::int32_t type, const void* report) override
    {
        keys::IrCode code;
        if (!m_bFound && keys::CodeOfReport(type, report, code)) {
            m_code = code;
            m_bFound = true;
        }
    }
    bool m_bFound = false;
    keys::IrCode m_code;
};

} // namespace

int learnCommand(const std::vector<std::string>& args)
{
    if (!args.empty() && args[0] == "--help")
        return std::fputs(kLearnHelp, stdout), 0;
    if (args.size() < 2 || args.size() > 3)
        return std::fputs(kLearnHelp, stderr), 2;
    const std::string& path = args[0];
    const std::string& key = args[1];
    if (!keys::IsKeyName(key)) {
        std::fprintf(stderr, "%s: not a key name (KEY_...)\n", key.c_str());
        return 2;
    }
    keys::RemoteMap map;
    map.file = path;
    if (os::fileExists(path)) {
        const keys::MapLoad r = keys::LoadRemoteMap(path, map);
        if (r.status == keys::MapStatus::Malformed) {
            std::fprintf(stderr, "%s\n", r.message.c_str());
            return 2;
        }
    }

    std::string text;
    const std::string source = args.size() == 3 && args[2] != "-" ? args[2] : "<stdin>";
    constexpr std::size_t kLimit = static_cast<std::size_t>(tuner::CaptureReader::kMaxCaptureBytes);
    if (source == "<stdin>") {
        // Bounded: a learned button is one press, not an endless stream.
        char buf[65536];
        while (std::cin.read(buf, sizeof buf) || std::cin.gcount() > 0) {
            text.append(buf, static_cast<std::size_t>(std::cin.gcount()));
            if (text.size() > kLimit) {
                std::fprintf(stderr, "<stdin>: a capture is at most %zu bytes\n", kLimit);
                return 2;
            }
        }
    } else if (!os::readWholeFile(source, text, kLimit)) {
        std::fprintf(stderr, "%s: cannot read the file\n", source.c_str());
        return 2;
    }
    tuner::Timeline capture;
    std::string error;
    if (!tuner::parseCapture(text, source, capture, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    FirstCode first;
    tuner::ReplayOptions options;
    options.decoderType = TM_IR_DECODER_ALL;
    if (!tuner::replayCapture(capture, first, options, &error)) {
        std::fprintf(stderr, "%s: %s\n", source.c_str(), error.c_str());
        return 1;
    }
    if (!first.m_bFound) {
        std::fprintf(stderr, "%s: nothing decodable\n", source.c_str());
        return 1;
    }
    const keys::IrCode& code = first.m_code;
    if (const keys::MapBinding* b = map.find(keys::FamilyOf(code.protocol), code.scancode); b && b->key != key) {
        std::fprintf(stderr, "%s: %s is already %s\n", path.c_str(), keys::ScancodeText(code).c_str(),
                     b->key.c_str());
        return 2;
    }
    map.unbind(key);
    map.bind(code, key);
    if (const os::FileResult saved = keys::SaveRemoteMap(map, path); !saved) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), saved.error.c_str());
        return 2;
    }
    std::printf("%s %s = %s%s\n", path.c_str(), keys::ScancodeText(code).c_str(), key.c_str(),
                keys::FindKernelKey(key) ? "" : " (sends nothing here)");
    return 0;
}

namespace {

// One line per map: its status, name, protocols and size, then the file.
void printMap(const std::string& path, const char* active)
{
    keys::RemoteMap map;
    const keys::MapLoad r = keys::LoadRemoteMap(path, map);
    if (r.status == keys::MapStatus::Malformed) {
        std::printf("malformed    %s%s\n", active, r.message.c_str());
        return;
    }
    if (r.status == keys::MapStatus::Unsupported) {
        std::printf("unsupported  %s%s: %s\n", active, path.c_str(), r.message.c_str());
        return;
    }
    std::string protocols;
    std::size_t count = 0;
    for (const keys::MapProtocol& p : map.protocols) {
        if (p.family == keys::IrFamily::None)
            continue;
        protocols += (protocols.empty() ? "" : ",") + p.protocol + (p.variant.empty() ? "" : "/" + p.variant);
        count += p.scancodes.size();
    }
    std::printf("ok           %s%s (%s, %zu keys): %s\n", active, map.displayName().c_str(), protocols.c_str(), count,
                path.c_str());
}

} // namespace

int mapsCommand(const std::vector<std::string>& args)
{
    if (!args.empty() && args[0] == "--help") {
        std::fputs("usage: remorra-ir maps [FILE.toml...]\n"
                   "Lists remote maps: the given files, else the program's sources (learned maps in\n"
                   "<documents>/Remorra/Remotes, then the system's keymaps) with what config.ini makes\n"
                   "active. Each line: ok, unsupported (a protocol Remorra does not decode) or malformed.\n",
                   stdout);
        return 0;
    }
    for (const std::string& f : args)
        printMap(f, "");
    if (!args.empty())
        return 0;
    const std::string config = DataFolder() + "/config.ini";
    for (const RemoteMapFile& f : ListRemoteMaps(config))
        printMap(f.path, f.active ? "[active] " : "");
    return 0;
}
