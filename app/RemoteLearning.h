#pragma once
// The "Remote control" dialog's decisions, free of any toolkit: while a
// session is open it takes every code of every protocol (no key is sent
// meanwhile), shows each with its protocol, scancode, toggle/repeat and what
// the edited map binds it to, lists the buttons, binds a button by pressing
// it on the remote and saves the map whole to <documents>/Remorra/Remotes/.
// The Qt and Windows dialogs implement IRemoteLearningView and call the
// session; the pipeline part is CRemoteListening.
#include "platform/os/MessageBox.h"
#include "app/RemoteMaps.h"
#include "keys/RemoteMap.h"
#include "keys/RemoteReportHandler.h"
#include "keys/RepeatControl.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace remorra {

class CRemorraDlgCore;
class RemoteKeyPath;

inline constexpr const char* kRemoteControlCaption = "Remote control";

struct LearnedCodeRow {
    keys::IrCode code;
    std::string text;    // "rc6_mce 0x800f040c toggle 1 repeat 0"
    std::string boundTo; // the edited map's key name, else empty
};

struct RemoteMapChoice {
    RemoteMapFile file;
    std::string text; // "living-room", "rc6_mce (system)"
};

struct RemoteButtonRow {
    std::string keyName; // KEY_*
    std::string label;   // the card remote's label, else the key name
    std::string binding; // "nec 0x484", else empty
};

class IRemoteLearningView {
public:
    virtual ~IRemoteLearningView() = default;
    // Window thread.
    virtual void showCode(const LearnedCodeRow& row) = 0;
    virtual void showButtons(const std::vector<RemoteButtonRow>& rows) = 0;
    // "Press KEY_UP on the remote", "KEY_UP is nec 0x484", errors.
    virtual void showStatus(const std::string& text) = 0;
    // A decoder thread: codes wait; the view only posts a call of
    // CRemoteLearningSession::Poll to its window thread.
    virtual void codesPending() = 0;
};

class CRemoteLearningSession final : public keys::IIrCodeListener {
public:
    CRemoteLearningSession(IRemoteLearningView& view, IMessageBox& box);

    // Window thread. Loads <Remotes>/NAME.toml when it exists, else starts an
    // empty map of that name; false (with a message) for a bad name or a
    // malformed file.
    bool Open(const std::string& name);
    const keys::RemoteMap& Map() const { return m_map; }
    const std::string& Name() const { return m_name; }
    std::string Path() const;
    bool Dirty() const { return m_bDirty; }

    // Decoder threads: never blocks or allocates; a full queue drops codes.
    void onIrCode(const keys::IrCode& code) override;
    // Window thread: shows the waiting codes; a new press binds the armed
    // button. A question from a binding runs a nested loop of the toolkit:
    // a poll from within it returns at once.
    void Poll();

    // The next new press binds `keyName` (KEY_*); false for another name.
    bool StartBinding(const std::string& keyName);
    void CancelBinding() { m_armed.clear(); }
    const std::string& Armed() const { return m_armed; }
    // Asks before replacing the button's binding, and before taking a code
    // that another button of the map has; false when not bound.
    bool Bind(const std::string& keyName, const keys::IrCode& code);
    bool Unbind(const std::string& keyName);
    // Creates the Remotes folder when missing; false with a message.
    bool Save();

    std::vector<RemoteButtonRow> Buttons() const;
    // The repeat control of the dialog, in config.ini.
    keys::RepeatSettings Repeat(const std::string& configFile) const;
    bool SetRepeat(const std::string& configFile, const keys::RepeatSettings& s);
    // The dialog's "Remotes in use": every map, learned and system, as
    // ListRemoteMaps has them; the key path takes the choice when the
    // dialog closes.
    std::vector<RemoteMapChoice> MapChoices(const std::string& configFile) const;
    bool SetMapInUse(const std::string& configFile, const RemoteMapChoice& map, bool inUse);

private:
    static constexpr std::uint32_t kQueue = 64;
    static std::string CodeText(const keys::IrCode& code);

    IRemoteLearningView& m_view;
    IMessageBox& m_box;
    std::string m_name;
    keys::RemoteMap m_map;
    bool m_bDirty = false;
    std::string m_armed;
    keys::PressTracker m_presses; // window thread

    // Decoder threads -> window thread: each slot holds one packed code.
    std::atomic<std::uint64_t> m_aSlots[kQueue] = {};
    std::atomic<std::uint32_t> m_dwWrite{0};
    std::uint32_t m_dwRead = 0;
    bool m_bPolling = false;
};

// While it lives the pipeline decodes every protocol into `listener` and
// sends no key: the front end is created again for all protocols and the
// window's reports go to the translating handler. It ends by reading the
// maps again and putting the pipeline back as they need it.
class CRemoteListening {
public:
    using SetSink = std::function<void(CIR_DecoderCallback*)>;
    CRemoteListening(CRemorraDlgCore& core, RemoteKeyPath& keys, SetSink setSink, keys::IIrCodeListener& listener,
                     std::string configFile);
    ~CRemoteListening();
    CRemoteListening(const CRemoteListening&) = delete;
    CRemoteListening& operator=(const CRemoteListening&) = delete;

private:
    CRemorraDlgCore& m_core;
    RemoteKeyPath& m_keys;
    SetSink m_setSink;
    std::string m_configFile;
};

} // namespace remorra
