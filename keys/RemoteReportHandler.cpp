#include "keys/RemoteReportHandler.h"

#include "keys/KeyDispatch.h"
#include "keys/RemoteButtons.h"

#include <cstdio>

namespace remorra::keys {
RemoteReportHandler::RemoteReportHandler(CIR_DecoderCallback& next, IKeyOutput& out, const PublishedKeymaps& maps,
                                         KeyGate& gate, KeyLogFn log)
    : m_next(next), m_out(out), m_maps(maps), m_gate(gate), m_log(log) {}

RemoteReportHandler::~RemoteReportHandler() { stopKeyThread(); }

bool RemoteReportHandler::startKeyThread() {
    if (m_keyThread.joinable()) return true;
    m_hWake = os::createEvent();
    if (!m_hWake) return false;
    m_bStop.store(false);
    m_keyThread = std::thread([this] { KeyThreadLoop(); });
    m_bKeyThread.store(true);
    return true;
}

void RemoteReportHandler::stopKeyThread() {
    if (!m_keyThread.joinable()) return;
    m_bKeyThread.store(false);
    m_bStop.store(true);
    os::setEvent(m_hWake);
    m_keyThread.join();
    os::closeEvent(m_hWake);
    m_hWake = 0;
}

void RemoteReportHandler::KeyThreadLoop() {
    while (os::waitForEvents(&m_hWake, 1) == 0 && !m_bStop.load()) {
        const std::uint64_t mail = m_mailbox.exchange(0);
        if (mail & kPackedIrCodeMark) HandleToggleCode(UnpackIrCode(mail));
    }
}

void RemoteReportHandler::setRepeatSettings(RepeatSettings s) {
    m_repeat.store(std::uint64_t{s.delayMs} << 32 | s.periodMs);
}

RepeatSettings RemoteReportHandler::repeatSettings() const {
    const std::uint64_t v = m_repeat.load();
    return {static_cast<std::uint32_t>(v >> 32), static_cast<std::uint32_t>(v)};
}

const KeymapEntry* RemoteReportHandler::lookup(const IrCode& code) const {
    const KeymapTable* table = m_maps.current();
    return table ? table->find(code) : nullptr;
}

void RemoteReportHandler::OnIrKey(std::int32_t decoderType, const void* report) {
    IrCode code;
    const bool known = CodeOfReport(decoderType, report, code);
    if (IIrCodeListener* listener = m_pListener.load()) {
        if (known) listener->onIrCode(code);
        return;
    }
    const KeymapEntry* entry = known ? lookup(code) : nullptr;
    if (!entry) {
        m_next.OnIrKey(decoderType, report);
        return;
    }
    if (FamilyOf(code.protocol) == IrFamily::Nec) {
        m_necPresses.track(code, NowMs());
        if (m_necLimiter.pass(code, NowMs(), repeatSettings())) Send(*entry, code);
        return;
    }
    if (!m_bKeyThread.load()) {
        HandleToggleCode(code);
        return;
    }
    m_mailbox.store(PackIrCode(code));
    os::setEvent(m_hWake);
}

void RemoteReportHandler::HandleToggleCode(IrCode code) {
    const KeymapEntry* entry = lookup(code); // the maps may have changed meanwhile
    if (!entry) return;
    const std::int64_t now = NowMs();
    m_rcPresses.track(code, now);
    if (m_rcLimiter.pass(code, now, repeatSettings())) Send(*entry, code);
}

void RemoteReportHandler::Send(const KeymapEntry& entry, const IrCode& code) {
    if (IButtonEventSink* sink = m_pButtonSink.load()) {
        ButtonEvent event;
        event.code = code.scancode;
        event.setNames(entry.keyName, entry.remote);
        RepeatCounter& counter = FamilyOf(code.protocol) == IrFamily::Nec ? m_necRepeats : m_rcRepeats;
        event.repeat = counter.next(event.remote, event.button, code.repeat);
        sink->OnButton(event);
    }
    if (entry.cardCommand) {
        tmIrNecReport nec{};
        nec.reserved[0] = kTranslatedReportMark;
        nec.address = simcard::kRemoteAddress;
        nec.command = entry.cardCommand;
        nec.repeat = code.repeat ? 1 : 0;
        m_next.OnIrKey(TM_IR_DECODER_NEC, &nec);
        return;
    }
    if (entry.virtualKey) {
        SendThroughGate(m_gate, [&] { SendKeyBinding(KeyBinding::FromHotKey(entry.virtualKey, 0), m_out); });
        return;
    }
    if (m_log) {
        const KeymapTable* table = m_maps.current();
        if (table && table->firstUse(entry)) { // a table replaced meanwhile logs it on its next use
            char line[160];
            std::snprintf(line, sizeof line, "Remote key %s sends nothing", entry.keyName.c_str());
            m_log(line);
        }
    }
}

} // namespace remorra::keys
