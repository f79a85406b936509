#pragma once
// The remote-map part of the program's key path, assembled the same way by
// the Qt and the Windows program: the active maps, the translating handler in
// front of the card remote's handler, and the decoder type the front end is
// created with (NEC alone while no map is active, as always).
#include "keys/KeyReportHandler.h"
#include "keys/KeymapTable.h"
#include "keys/RemoteReportHandler.h"

#include <cstdint>
#include <string>

namespace remorra {

class RemoteKeyPath {
public:
    RemoteKeyPath(CIR_DecoderCallback& cardHandler, keys::IKeyOutput& out);
    ~RemoteKeyPath();
    RemoteKeyPath(const RemoteKeyPath&) = delete;
    RemoteKeyPath& operator=(const RemoteKeyPath&) = delete;

    // Window thread, before the decoder exists: reads the active maps and
    // the repeat control from config.ini; with maps starts the key thread.
    void Load(const std::string& configFile);
    // Window thread: publishes the maps again (after learning) and says the
    // decoder type they need; the caller creates the front end anew for it.
    void Reload(const std::string& configFile);

    // Where the front end's reports go.
    CIR_DecoderCallback& Sink();
    std::int32_t DecoderType() const { return m_nDecoderType; }
    keys::RemoteReportHandler& Handler() { return m_handler; }
    const keys::PublishedKeymaps& Maps() const { return m_maps; }

private:
    CIR_DecoderCallback& m_cardHandler;
    keys::PublishedKeymaps m_maps;
    keys::RemoteReportHandler m_handler;
    std::int32_t m_nDecoderType = TM_IR_DECODER_NEC;
};

} // namespace remorra
