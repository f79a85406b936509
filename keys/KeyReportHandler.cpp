#include "keys/KeyReportHandler.h"

#include "keys/KeyDispatch.h"
#include "platform/os/AppLog.h"
#include "keys/RemoteButtons.h"

#include <cstdio>

constinit remorra::keys::KeyGate g_hKeyGate;

namespace remorra::keys {

void FormatKeyCodeText(std::uint32_t keyField, char* text, std::size_t room) {
    std::snprintf(text, room, "0x%X", keyField);
}

KeyReportHandler::KeyReportHandler(IKeyOutput& out, const ProfileViewCell& view)
    : KeyReportHandler(out, view, g_hKeyGate) {}

KeyReportHandler::KeyReportHandler(IKeyOutput& out, const ProfileViewCell& view, KeyGate& gate)
    : m_out(out), m_view(view), m_gate(gate) {
    for (const simcard::RemoteButton& b : simcard::RemoteButtons()) m_cardButtons[b.command] = b.name;
}

void KeyReportHandler::publishCardButton(const tmIrNecReport& nec) {
    IButtonEventSink* sink = m_buttonSink.load();
    const char* name = m_cardButtons[nec.command];
    if (!sink || !name || nec.address != simcard::kRemoteAddress || nec.reserved[0] == kTranslatedReportMark) return;
    ButtonEvent event;
    event.code = std::uint64_t{nec.address & 0xffu} << 8 | nec.command;
    event.setNames(name, kCardRemoteName);
    event.repeat = m_repeats.next(kCardRemoteName, name, nec.repeat != 0);
    sink->OnButton(event);
}

void KeyReportHandler::OnIrKey(std::int32_t decoderType, const void* report) {
    if (!report) return;
    char keyCode[16];
    switch (decoderType) {
    case TM_IR_DECODER_RC6: {
        const auto& rc6 = *static_cast<const tmIrRc6Report*>(report);
        FormatKeyCodeText(rc6.information, keyCode, sizeof keyCode);
        WriteLog(L"RC6 key data is 0x%X \r\n", unsigned{rc6.information});
        const ProfileSnapshot view = m_view.load();
        DispatchProfileKey(keyCode, view, m_out);
        return;
    }
    case TM_IR_DECODER_NEC: {
        const auto& nec = *static_cast<const tmIrNecReport*>(report);
        publishCardButton(nec);
        SendThroughGate(m_gate, [&] {
            FormatKeyCodeText(nec.command, keyCode, sizeof keyCode);
            // One copy of the window's state per key: the selection and the
            // bindings cannot change half-way through a sequence.
            const ProfileSnapshot view = m_view.load();
            if (view.m_nSelected == kBuiltInProfilePosition) {
                DispatchMediaCenterKey(keyCode, m_out);
            } else {
                DispatchProfileKey(keyCode, view, m_out);
            }
        });
        return;
    }
    default:
        return; // RC5 and NEC 24-bit produce no keys
    }
}

} // namespace remorra::keys
