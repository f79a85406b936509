#pragma once
// remorra-ir's remote-map parts: decode --keymap and the learn command.
#include "keys/KeyOutput.h"
#include "keys/KeyReportHandler.h"
#include "keys/KeymapTable.h"
#include "keys/RemoteReportHandler.h"

#include <memory>
#include <string>
#include <vector>

// Loads each --keymap file into `maps`; a malformed one is an error (false,
// message on standard error), an unsupported one is said and left out.
bool loadKeymapOptions(const std::vector<std::string>& files, remorra::keys::PublishedKeymaps& maps);

// Prints each report's line, its scancode and key name, and with `handler`
// the strokes that the translated report sent through `out`.
class KeymapSink final : public CIR_DecoderCallback {
public:
    KeymapSink(const remorra::keys::PublishedKeymaps& maps, const remorra::keys::ProfileViewCell* view);
    void OnIrKey(std::int32_t type, const void* report) override;

private:
    const remorra::keys::PublishedKeymaps& m_maps;
    remorra::keys::RecordingKeyOutput m_out;
    remorra::keys::KeyGate m_gate;
    std::unique_ptr<remorra::keys::KeyReportHandler> m_keys;
    std::unique_ptr<remorra::keys::RemoteReportHandler> m_remote;
};

// remorra-ir learn MAP.toml KEY_NAME [CAPTURE]: 0 bound, 1 nothing
// decodable, 2 bad usage or a conflicting binding.
int learnCommand(const std::vector<std::string>& args);

// remorra-ir maps [FILE.toml...]: each map's status; always 0.
int mapsCommand(const std::vector<std::string>& args);
