#pragma once
// A capture filter that behaves as the tuner card's driver would: it answers
// the implementation-id probe, serves the legacy and chip GPIO requests,
// keeps event registrations by their records and signals the registered
// handles when its IR receiver's output changes. Every request is checked
// byte by byte and a malformed one is refused, so a layout mistake above it
// shows up in tests.
#include "platform/os/Event.h"
#include "platform/tuner/CaptureFilter.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace remorra::os {
class VirtualTimeService;
}

namespace remorra::tuner {

enum class SimRequest : int {
    LegacySetPin,
    LegacyGetPin,
    ChipGetPin,
    ChipPinDirection,
    Probe,
    EventEnable,
    EventDisable,
    Count
};

class SimTunerCard final : public ICaptureFilter {
public:
    struct Options {
        // Id the probe finds; 0 makes the card answer no candidate.
        std::uint16_t implementationId = 0x7231;
        std::uint8_t irPin = 4;
    };
    SimTunerCard();
    explicit SimTunerCard(Options options);
    ~SimTunerCard() override;
    SimTunerCard(const SimTunerCard&) = delete;
    SimTunerCard& operator=(const SimTunerCard&) = delete;

    bool offersPropertySet() const override { return !m_lostPropertySet.load(); }
    bool offersControl() const override { return !m_lostControl.load(); }
    HResult propertySet(const Guid& set, std::uint32_t id, std::span<const std::uint8_t> instance,
                        std::span<const std::uint8_t> data) override;
    HResult propertyGet(const Guid& set, std::uint32_t id, std::span<const std::uint8_t> instance,
                        std::span<std::uint8_t> data, std::uint32_t* returned) override;
    HResult ksProperty(std::span<const std::uint8_t> request, std::span<std::uint8_t> data,
                       std::uint32_t* returned) override;
    HResult ksEvent(std::span<const std::uint8_t> request, std::span<std::uint8_t> eventData,
                    std::uint32_t* returned) override;

    // Fault injection.
    void refuse(SimRequest kind, bool on = true);
    void loseInterfaces(bool propertySet, bool control);
    void setSignalling(bool on) { m_signalling.store(on); }

    // What the driver saw.
    int accepted(SimRequest kind) const;
    int refused(SimRequest kind) const;
    std::vector<std::uint8_t> lastRequest(SimRequest kind) const;
    std::vector<std::uint8_t> lastData(SimRequest kind) const;
    std::size_t registrations() const;
    std::uint32_t directionMask() const { return m_directionMask.load(); }
    std::uint32_t directionValue() const { return m_directionValue.load(); }
    std::uint8_t writtenLevel(std::uint8_t pin) const;

    // IR receiver. The timeline is alternating pulse and space durations in
    // µs, starting with a pulse; it begins at `startTicks` of the time service.
    void load(const std::vector<std::uint32_t>& durationsUs, std::int64_t startTicks);
    // Receiver output at the current instant: 0 during a burst, 1 idle.
    std::uint8_t irLevel() const;
    // Signals the registrations of a source now, as the receiver would.
    void fire(std::uint32_t source);

    // Virtual time: moves the clock to each edge, signals it and waits until
    // the interrupt thread has taken it; edges that the clock passed while
    // that thread was busy are signalled together, so they coalesce. When no
    // thread takes a signalled event within `limit` of real time, the replay
    // stops there and returns false with `error` saying which edge stalled.
    bool replay(os::VirtualTimeService& clock, std::string* error = nullptr,
                std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Real time: a player thread signals each edge at its instant.
    void startPlayer();
    void joinPlayer();
    // When the player signalled each edge (ticks; 0 for edges not played),
    // for measuring what a listener saw. Read after joinPlayer.
    const std::vector<std::int64_t>& playedTicks() const { return m_played; }

    // Live play while a pipeline runs on the card: timelines (as for load)
    // queue up and a player thread of the card plays them one after the
    // other in real time. Once live, the pin reads follow the live player.
    // Returns a ticket for waitPlayed, or 0 when the queue is full.
    std::uint64_t playLive(std::vector<std::uint32_t> durationsUs);
    // True once the timeline of `ticket` (and all before it) has been played;
    // false when `timeoutMs` passed first.
    bool waitPlayed(std::uint64_t ticket, std::uint32_t timeoutMs);
    // Bursts the live player has started (each is a pin event).
    std::uint64_t liveBursts() const { return m_liveBursts.load(); }

private:
    struct Registration {
        const std::uint8_t* record = nullptr;
        std::uint32_t eventId = 0;
        bool chip = false;
        os::EventHandle handle = 0;
        std::int64_t sinceTicks = 0;
    };
    struct Seen {
        std::array<std::uint8_t, 48> request{};
        std::size_t requestSize = 0;
        std::array<std::uint8_t, 32> data{};
        std::size_t dataSize = 0;
        int accepted = 0;
        int refused = 0;
    };

    HResult note(SimRequest kind, std::span<const std::uint8_t> request, std::span<const std::uint8_t> data,
                 bool ok);
    bool refusing(SimRequest kind) const { return m_refuse[static_cast<int>(kind)].load(); }
    std::uint8_t levelOf(std::uint8_t pin) const;
    // Handles signalled; a registration older than the edge is required.
    int signalEdge(std::size_t edge, os::EventHandle* out, int max);
    int signalAt(std::uint32_t source, std::int64_t at, os::EventHandle* out, int max);
    // Whether an edge of `source` on the receiver's pin would signal anything.
    bool interrupts(std::uint32_t source) const;
    bool hits(const Registration& reg, std::uint32_t source) const;
    void runLive();

    const Options m_options;
    std::array<std::atomic<bool>, static_cast<int>(SimRequest::Count)> m_refuse{};
    std::atomic<bool> m_lostPropertySet{false};
    std::atomic<bool> m_lostControl{false};
    std::atomic<bool> m_signalling{true};
    std::atomic<std::uint32_t> m_directionMask{0};
    std::atomic<std::uint32_t> m_directionValue{0};
    std::array<std::atomic<std::uint8_t>, 32> m_written{};

    // A driver serialises its requests; this lock never sits on our edge path.
    mutable std::mutex m_mutex;
    std::array<Seen, static_cast<int>(SimRequest::Count)> m_seen{};
    std::array<Registration, 8> m_regs{};

    std::vector<std::int64_t> m_edges; // absolute ticks; even index = burst start
    std::vector<std::int64_t> m_played; // player thread only until joined
    std::thread m_player;
    std::atomic<bool> m_stopPlayer{false};
    // How far the real-time player has moved the timeline behind a late wake-up.
    std::atomic<std::int64_t> m_playerShift{0};

    static constexpr std::size_t kMaxLiveQueue = 16;
    std::mutex m_liveMutex;
    std::condition_variable m_liveCv;
    std::deque<std::vector<std::uint32_t>> m_liveQueue;
    std::uint64_t m_liveQueued = 0; // tickets handed out
    std::uint64_t m_livePlayed = 0; // tickets played
    std::atomic<bool> m_liveStop{false};
    std::atomic<bool> m_live{false};
    std::atomic<std::uint8_t> m_liveLevel{1};
    std::atomic<std::uint64_t> m_liveBursts{0};
    std::thread m_liveThread;
};

} // namespace remorra::tuner
