#include "app/RemoteKeyPath.h"

#include "platform/os/AppLog.h"
#include "app/RemoteMaps.h"

#include <memory>

namespace remorra {
namespace {

void LogLine(const char* line) { WriteLog(L"%s", line); }

} // namespace

RemoteKeyPath::RemoteKeyPath(CIR_DecoderCallback& cardHandler, keys::IKeyOutput& out)
    : m_cardHandler(cardHandler), m_handler(cardHandler, out, m_maps, g_hKeyGate, LogLine) {}

RemoteKeyPath::~RemoteKeyPath() { m_handler.stopKeyThread(); }

void RemoteKeyPath::Load(const std::string& configFile) {
    Reload(configFile);
    m_handler.setRepeatSettings(ReadRepeatSettings(configFile));
}

void RemoteKeyPath::Reload(const std::string& configFile) {
    ActiveRemoteMaps active = LoadActiveRemoteMaps(configFile);
    std::unique_ptr<keys::KeymapTable> table = std::move(active.table);
    if (!table->empty()) WriteLog(L"Remote maps: %d active, %d scancodes", static_cast<int>(active.maps.size()),
                                  static_cast<int>(table->size()));
    m_maps.publish(std::move(table));
    m_nDecoderType = m_maps.current() ? TM_IR_DECODER_ALL : TM_IR_DECODER_NEC;
    if (m_nDecoderType == TM_IR_DECODER_ALL && !m_handler.startKeyThread())
        WriteLog(L"Remote maps: no key thread, RC5/RC6 keys go on the window thread");
}

CIR_DecoderCallback& RemoteKeyPath::Sink() {
    return m_nDecoderType == TM_IR_DECODER_ALL ? static_cast<CIR_DecoderCallback&>(m_handler) : m_cardHandler;
}

} // namespace remorra
