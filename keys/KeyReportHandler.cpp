#include "keys/KeyReportHandler.h"

#include "app/AppLog.h"
#include "keys/KeyDispatch.h"
#include "platform/os/TimeService.h"

#include <cstdio>

constinit remorra::keys::KeyGate g_hKeyGate;

namespace remorra::keys {

void FormatKeyCodeText(std::uint32_t keyField, char* text, std::size_t room) {
    std::snprintf(text, room, "0x%X", keyField);
}

KeyReportHandler::KeyReportHandler(IKeyOutput& out, const ProfileViewCell& view)
    : KeyReportHandler(out, view, g_hKeyGate) {}

KeyReportHandler::KeyReportHandler(IKeyOutput& out, const ProfileViewCell& view, KeyGate& gate)
    : m_out(out), m_view(view), m_gate(gate) {}

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
        if (!m_gate.tryTake()) return;
        const auto& nec = *static_cast<const tmIrNecReport*>(report);
        FormatKeyCodeText(nec.command, keyCode, sizeof keyCode);
        // One copy of the window's state per key: the selection and the
        // bindings cannot change half-way through a sequence.
        const ProfileSnapshot view = m_view.load();
        if (view.m_nSelected == kBuiltInProfilePosition) {
            DispatchMediaCenterKey(keyCode, m_out);
        } else {
            DispatchProfileKey(keyCode, view, m_out);
        }
        os::timeService().sleepMs(kNecKeyHoldOffMs);
        m_gate.open();
        return;
    }
    default:
        return; // RC5 and NEC 24-bit produce no keys
    }
}

} // namespace remorra::keys
