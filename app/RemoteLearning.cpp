#include "app/RemoteLearning.h"

#include "app/Config.h"
#include "app/RemoteKeyPath.h"
#include "app/RemoteMaps.h"
#include "app/RemorraDlgCore.h"
#include "keys/KernelKeys.h"
#include "platform/os/Files.h"

#include <algorithm>
#include <filesystem>
#include <cstdio>

namespace remorra {
namespace {

// A map name becomes a file name: no folders, nothing the file systems refuse.
bool ValidMapName(const std::string& name) {
    if (name.empty() || name.size() > 100 || name == "." || name == "..") return false;
    return name.find_first_of("/\\:*?\"<>|") == std::string::npos &&
           std::none_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

// The first code bound to `key`, as "necx 0x866b12", else empty.
std::string BindingOf(const keys::RemoteMap& map, const std::string& key) {
    for (const keys::MapProtocol& p : map.protocols)
        for (const keys::MapBinding& b : p.scancodes)
            if (b.key == key) {
                char text[48];
                std::snprintf(text, sizeof text, "%s 0x%x", p.variant.empty() ? p.protocol.c_str() : p.variant.c_str(),
                              static_cast<unsigned>(b.scancode));
                return text;
            }
    return {};
}

} // namespace

CRemoteLearningSession::CRemoteLearningSession(IRemoteLearningView& view, IMessageBox& box) : m_view(view), m_box(box) {}

std::string CRemoteLearningSession::Path() const { return RemotesFolder() + m_name + ".toml"; }

bool CRemoteLearningSession::Open(const std::string& name) {
    if (!ValidMapName(name)) {
        m_box.show("\"" + name + "\" cannot be a remote's name.", kRemoteControlCaption, MsgButtons::Ok, MsgIcon::Warning);
        return false;
    }
    const std::string path = RemotesFolder() + name + ".toml";
    keys::RemoteMap map;
    map.file = path;
    if (os::fileExists(path)) {
        const keys::MapLoad r = keys::LoadRemoteMap(path, map);
        if (r.status == keys::MapStatus::Malformed) {
            m_box.show(r.message, kRemoteControlCaption, MsgButtons::Ok, MsgIcon::Error);
            return false;
        }
    }
    m_name = name;
    m_map = std::move(map);
    m_bDirty = false;
    m_armed.clear();
    m_view.showButtons(Buttons());
    return true;
}

void CRemoteLearningSession::onIrCode(const keys::IrCode& code) {
    const std::uint32_t at = m_dwWrite.fetch_add(1);
    m_aSlots[at % kQueue].store(keys::PackIrCode(code), std::memory_order_release);
    m_view.codesPending();
}

void CRemoteLearningSession::Poll() {
    if (m_bPolling) return;
    m_bPolling = true;
    const std::uint32_t end = m_dwWrite.load();
    // Beyond a full queue's worth the oldest codes are gone.
    if (end - m_dwRead > kQueue) m_dwRead = end - kQueue;
    for (; m_dwRead != end; ++m_dwRead) {
        const std::uint64_t w = m_aSlots[m_dwRead % kQueue].exchange(0, std::memory_order_acquire);
        if (!(w & keys::kPackedIrCodeMark)) break; // its writer has not stored it yet: the next poll takes it
        keys::IrCode code = keys::UnpackIrCode(w);
        m_presses.track(code, keys::NowMs());
        const keys::MapBinding* b = m_map.find(keys::FamilyOf(code.protocol), code.scancode);
        m_view.showCode({code, CodeText(code), b ? b->key : std::string()});
        if (!m_armed.empty() && !code.repeat) {
            const std::string key = m_armed;
            m_armed.clear();
            Bind(key, code);
        }
    }
    m_bPolling = false;
}

std::string CRemoteLearningSession::CodeText(const keys::IrCode& code) {
    return keys::ScancodeText(code) + " toggle " + (code.toggle ? "1" : "0") + " repeat " + (code.repeat ? "1" : "0");
}

bool CRemoteLearningSession::StartBinding(const std::string& keyName) {
    if (!keys::IsKeyName(keyName)) return false;
    m_armed = keyName;
    m_view.showStatus("Press the button for " + keyName + " on the remote");
    return true;
}

bool CRemoteLearningSession::Bind(const std::string& keyName, const keys::IrCode& code) {
    const std::string codeText = keys::ScancodeText(code);
    const keys::MapBinding* other = m_map.find(keys::FamilyOf(code.protocol), code.scancode);
    if (other && other->key == keyName) {
        m_view.showStatus(keyName + " is " + codeText);
        return true;
    }
    if (other &&
        m_box.show(codeText + " is already " + other->key + ". Bind it to " + keyName + " instead?",
                   kRemoteControlCaption, MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes) {
        m_view.showStatus(codeText + " stays " + other->key);
        return false;
    }
    if (const std::string was = BindingOf(m_map, keyName); !was.empty()) {
        if (m_box.show(keyName + " is bound to " + was + ". Replace it with " + codeText + "?", kRemoteControlCaption,
                       MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes) {
            m_view.showStatus(keyName + " stays " + was);
            return false;
        }
    }
    m_map.unbind(keyName);
    m_map.bind(code, keyName);
    m_bDirty = true;
    m_view.showButtons(Buttons());
    m_view.showStatus(keyName + " is " + codeText);
    return true;
}

bool CRemoteLearningSession::Unbind(const std::string& keyName) {
    if (!m_map.unbind(keyName)) return false;
    m_bDirty = true;
    m_view.showButtons(Buttons());
    return true;
}

bool CRemoteLearningSession::Save() {
    const std::string folder = RemotesFolder();
    const std::string remotes = folder.substr(0, folder.size() - 1);
    if (!os::isDirectory(remotes) && !(os::makeFolder(DataFolder()) && os::makeFolder(remotes))) {
        m_box.show("Cannot create " + folder, kRemoteControlCaption, MsgButtons::Ok, MsgIcon::Error);
        return false;
    }
    m_map.file = Path();
    if (const os::FileResult r = keys::SaveRemoteMap(m_map, m_map.file); !r) {
        m_box.show(m_map.file + ": " + r.error, kRemoteControlCaption, MsgButtons::Ok, MsgIcon::Error);
        return false;
    }
    m_bDirty = false;
    m_view.showStatus("Saved " + m_map.file);
    return true;
}

std::vector<RemoteButtonRow> CRemoteLearningSession::Buttons() const {
    std::vector<RemoteButtonRow> rows;
    auto bindingOf = [&](const std::string& key) { return BindingOf(m_map, key); };
    std::size_t count = 0;
    const keys::CardButtonName* names = keys::CardButtonNames(count);
    for (std::size_t i = 0; i < count; ++i) rows.push_back({names[i].keyName, names[i].label, bindingOf(names[i].keyName)});
    // Then the map's other keys (keyboard keys and the rest), in file order.
    for (const keys::MapProtocol& p : m_map.protocols)
        for (const keys::MapBinding& b : p.scancodes)
            if (std::none_of(rows.begin(), rows.end(), [&](const RemoteButtonRow& r) { return r.keyName == b.key; }))
                rows.push_back({b.key, b.key, bindingOf(b.key)});
    return rows;
}

keys::RepeatSettings CRemoteLearningSession::Repeat(const std::string& configFile) const {
    return ReadRepeatSettings(configFile);
}

std::vector<RemoteMapChoice> CRemoteLearningSession::MapChoices(const std::string& configFile) const {
    std::vector<RemoteMapChoice> out;
    for (RemoteMapFile& f : ListRemoteMaps(configFile)) {
        std::string text = std::filesystem::path(f.path).stem().string();
        if (!f.learned) text += " (system)";
        out.push_back({std::move(f), std::move(text)});
    }
    return out;
}

bool CRemoteLearningSession::SetMapInUse(const std::string& configFile, const RemoteMapChoice& map, bool inUse) {
    if (SetRemoteMapActive(configFile, map.file, inUse) == 0) return true;
    m_box.show("Cannot write " + configFile, kRemoteControlCaption, MsgButtons::Ok, MsgIcon::Error);
    return false;
}

bool CRemoteLearningSession::SetRepeat(const std::string& configFile, const keys::RepeatSettings& s) {
    if (WriteRepeatSettings(configFile, s) == 0) return true;
    m_box.show("Cannot write " + configFile, kRemoteControlCaption, MsgButtons::Ok, MsgIcon::Error);
    return false;
}

CRemoteListening::CRemoteListening(CRemorraDlgCore& core, RemoteKeyPath& keys, SetSink setSink,
                                   keys::IIrCodeListener& listener, std::string configFile)
    : m_core(core), m_keys(keys), m_setSink(std::move(setSink)), m_configFile(std::move(configFile)) {
    m_keys.Handler().setListener(&listener);
    m_setSink(&m_keys.Handler());
    if (m_keys.DecoderType() != TM_IR_DECODER_ALL) {
        m_core.SetDecoderType(TM_IR_DECODER_ALL);
        m_core.CreateDecoder();
    }
}

CRemoteListening::~CRemoteListening() {
    m_keys.Reload(m_configFile);
    m_keys.Handler().setRepeatSettings(ReadRepeatSettings(m_configFile));
    m_keys.Handler().setListener(nullptr);
    m_setSink(&m_keys.Sink());
    // The front end decodes everything now; only NEC alone needs a new one.
    if (m_keys.DecoderType() != TM_IR_DECODER_ALL) {
        m_core.SetDecoderType(m_keys.DecoderType());
        m_core.CreateDecoder();
    }
}

} // namespace remorra
