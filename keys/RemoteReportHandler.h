#pragma once
// Reports of any remote → the existing key path. A report that an active
// remote map knows becomes its key name: a card remote's button continues as
// the card remote's NEC report for it (gate, table or profile, hold-off), a
// keyboard key is sent as that key, anything else is logged once. A report
// no map knows goes on unchanged. NEC reports are handled on the calling
// (interrupt) thread as today; RC5/RC6 reports, which timer passes deliver
// on the window thread, are handed to a key thread of their own.
#include "keys/KeyOutput.h"
#include "keys/KeyReportHandler.h"
#include "keys/KeymapTable.h"
#include "keys/RepeatControl.h"
#include "platform/os/Event.h"

#include <atomic>
#include <cstdint>
#include <thread>

namespace remorra::keys {

// Where a learning session takes every code while it listens. Called on the
// decoders' threads (interrupt and timer); must not block.
class IIrCodeListener {
public:
    virtual void onIrCode(const IrCode& code) = 0;

protected:
    ~IIrCodeListener() = default;
};

using KeyLogFn = void (*)(const char* line);

class RemoteReportHandler final : public CIR_DecoderCallback {
public:
    // `next` is today's handler (KeyReportHandler). `log` takes the
    // once-only lines (may be null).
    RemoteReportHandler(CIR_DecoderCallback& next, IKeyOutput& out, const PublishedKeymaps& maps, KeyGate& gate,
                        KeyLogFn log = nullptr);
    ~RemoteReportHandler();
    RemoteReportHandler(const RemoteReportHandler&) = delete;
    RemoteReportHandler& operator=(const RemoteReportHandler&) = delete;

    // Window thread. Starts the thread that takes RC5/RC6 keys; without it
    // they are handled on the thread that reports them (tools, tests).
    // Stop it only once no decoder reports any more.
    bool startKeyThread();
    void stopKeyThread();

    void setRepeatSettings(RepeatSettings s);
    RepeatSettings repeatSettings() const;
    // While set, every code goes to the listener and no key is sent.
    void setListener(IIrCodeListener* listener) { m_pListener.store(listener); }
    // Every translated button also goes to `sink` (LIRC clients) under its
    // map's name; null for none.
    void setButtonSink(IButtonEventSink* sink) { m_pButtonSink.store(sink); }

    void OnIrKey(std::int32_t decoderType, const void* report) override;

    // The key name an active map gives the code, else null (any thread).
    const KeymapEntry* lookup(const IrCode& code) const;

private:
    // RC5/RC6: press tracking and repeat control, on one thread at a time.
    void HandleToggleCode(IrCode code);
    void Send(const KeymapEntry& entry, const IrCode& code);
    void KeyThreadLoop();

    CIR_DecoderCallback& m_next;
    IKeyOutput& m_out;
    const PublishedKeymaps& m_maps;
    KeyGate& m_gate;
    KeyLogFn m_log;
    std::atomic<IIrCodeListener*> m_pListener{nullptr};
    std::atomic<IButtonEventSink*> m_pButtonSink{nullptr};
    RepeatCounter m_necRepeats; // interrupt thread
    RepeatCounter m_rcRepeats;  // key thread
    std::atomic<std::uint64_t> m_repeat{0}; // delay << 32 | period

    // Interrupt thread.
    PressTracker m_necPresses;
    RepeatLimiter m_necLimiter;
    // Key thread (or the reporting thread without one).
    PressTracker m_rcPresses;
    RepeatLimiter m_rcLimiter;

    // One pending RC code: a newer one replaces a code the key thread has not
    // taken yet, as the gate would drop it. Holds PackIrCode words, 0 for none.
    std::atomic<std::uint64_t> m_mailbox{0};
    os::EventHandle m_hWake = 0;
    std::atomic<bool> m_bStop{false};
    // The reporting threads look at this, never at the thread object, which
    // the window thread may create while reports arrive.
    std::atomic<bool> m_bKeyThread{false};
    std::thread m_keyThread;
};

} // namespace remorra::keys
