#pragma once
// The end of the decoding pipeline: key reports → key code text → the
// Media Center table or the profile dispatcher. Free of any window class so
// that the program, the decoder tool and the tests run the same handler.
#include "keys/ButtonEvents.h"
#include "keys/KeyOutput.h"
#include "keys/ProfileView.h"
#include "platform/os/TimeService.h"
#include "tmIrTypes.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace remorra::keys {

// Auto-reset event stand-in: open means a NEC key may be handled. Taking it
// never waits; a report that finds it closed is dropped, not queued.
class KeyGate {
public:
    constexpr KeyGate() = default;
    bool tryTake() { return m_bOpen.exchange(false, std::memory_order_acq_rel); }
    void open() { m_bOpen.store(true, std::memory_order_release); }
    bool isOpen() const { return m_bOpen.load(std::memory_order_acquire); }

private:
    std::atomic<bool> m_bOpen{true};
};

// Marks a NEC report that a remote map made of another remote's button
// (in a byte no decoder fills): its button went to LIRC clients already.
inline constexpr std::uint8_t kTranslatedReportMark = 0x5A;

// Hold-off after each NEC key, during which further NEC reports are dropped.
inline constexpr std::uint32_t kNecKeyHoldOffMs = 100;

// The card remote's rules for a key: one at a time through the gate, then
// the hold-off before the gate opens again.
template <class SendFn>
void SendThroughGate(KeyGate& gate, SendFn&& send) {
    if (!gate.tryTake()) return;
    send();
    os::timeService().sleepMs(kNecKeyHoldOffMs);
    gate.open();
}

// "0x%X" of a key field into `text` (room for at least 16 chars).
void FormatKeyCodeText(std::uint32_t keyField, char* text, std::size_t room);

class KeyReportHandler final : public CIR_DecoderCallback {
public:
    KeyReportHandler(IKeyOutput& out, const ProfileViewCell& view);
    KeyReportHandler(IKeyOutput& out, const ProfileViewCell& view, KeyGate& gate);

    // RC6: one log line, then the profile dispatcher, without the gate.
    // NEC 16-bit: through the gate, the table chosen by the selected profile
    // position, then the 100 ms hold-off (time seam). RC5 and NEC 24-bit:
    // nothing.
    void OnIrKey(std::int32_t decoderType, const void* report) override;

    // Every report of a button of the card's remote also goes to `sink`
    // (LIRC clients), before the gate: a client hears what the remote sent
    // even while a key is being handled. Null for none.
    void SetButtonSink(IButtonEventSink* sink) { m_buttonSink.store(sink); }

private:
    void publishCardButton(const tmIrNecReport& nec);

    IKeyOutput& m_out;
    const ProfileViewCell& m_view;
    KeyGate& m_gate;
    std::atomic<IButtonEventSink*> m_buttonSink{nullptr};
    std::array<const char*, 256> m_cardButtons{}; // by command byte
    RepeatCounter m_repeats;                      // interrupt thread
};

} // namespace remorra::keys

// The process-wide key gate, open from static initialisation on.
extern remorra::keys::KeyGate g_hKeyGate;
