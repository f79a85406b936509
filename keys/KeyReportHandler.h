#pragma once
// The end of the decoding pipeline: key reports → key code text → the
// Media Center table or the profile dispatcher. Free of any window class so
// that the program, the decoder tool and the tests run the same handler.
#include "keys/KeyOutput.h"
#include "keys/ProfileView.h"
#include "tmIrTypes.h"

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

// Hold-off after each NEC key, during which further NEC reports are dropped.
inline constexpr std::uint32_t kNecKeyHoldOffMs = 100;

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

private:
    IKeyOutput& m_out;
    const ProfileViewCell& m_view;
    KeyGate& m_gate;
};

} // namespace remorra::keys

// The process-wide key gate, open from static initialisation on.
extern remorra::keys::KeyGate g_hKeyGate;
