#pragma once
// The part of the main window's state that the key report handler reads on
// the interrupt thread: the selected profile position, that entry's text and
// the 25 key bindings. The window side publishes a whole snapshot after each
// change; the reader copies it without locking, allocating or waiting on the
// window thread.
#include "keys/KeyBinding.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string_view>
#include <type_traits>

namespace remorra::keys {

// Position 0 is the built-in entry; -1 means nothing is selected.
inline constexpr std::int32_t kBuiltInProfilePosition = 0;
inline constexpr std::int32_t kNoProfileSelected = -1;

struct ProfileSnapshot {
    static constexpr std::size_t kTextRoom = 128;

    std::int32_t m_nSelected = kNoProfileSelected;
    // Text of the selected entry, empty when none; cut to fit, in which case
    // m_bTextCut is set and the text compares equal to nothing.
    char m_szSelectedText[kTextRoom] = {};
    std::uint8_t m_bTextCut = 0;
    KeyBindings m_bindings{};

    bool selectedTextIs(const char* text) const {
        return !m_bTextCut && std::strcmp(m_szSelectedText, text) == 0;
    }
    void setSelection(std::int32_t position, std::string_view text);
};

// Publishes a trivially copyable value from one writing thread to readers on
// any thread. Each store fills the oldest of kSlots copies and then points
// the readers at it, so a reader copies a finished value and never waits for
// a writer that was preempted mid-store: it retries only when the writer
// reused the very slot it was copying, i.e. after kSlots - 1 further stores
// during one copy. Every word is an atomic, so a torn copy is detected, never
// undefined behaviour. Writers are serialised by a lock readers never take.
template <class T>
class PublishedCell {
    static_assert(std::is_trivially_copyable_v<T>);
    static_assert(std::is_default_constructible_v<T>);
    static constexpr std::size_t kWords = (sizeof(T) + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t);
    static constexpr std::uint32_t kSlots = 4;

    struct Slot {
        std::atomic<std::uint32_t> seq{0}; // odd while being written
        std::atomic<std::uint64_t> words[kWords] = {};
    };

public:
    PublishedCell() { store(T{}); }
    explicit PublishedCell(const T& value) { store(value); }
    PublishedCell(const PublishedCell&) = delete;
    PublishedCell& operator=(const PublishedCell&) = delete;

    void store(const T& value) {
        std::uint64_t words[kWords] = {};
        std::memcpy(words, &value, sizeof(T));
        std::lock_guard lock(m_writer);
        const std::uint32_t next = (m_latest.load(std::memory_order_relaxed) + 1) % kSlots;
        Slot& slot = m_slots[next];
        const std::uint32_t seq = slot.seq.load(std::memory_order_relaxed);
        slot.seq.store(seq + 1, std::memory_order_relaxed);
        // Release on each word keeps the odd count ahead of the new data.
        for (std::size_t i = 0; i < kWords; ++i) slot.words[i].store(words[i], std::memory_order_release);
        slot.seq.store(seq + 2, std::memory_order_release);
        m_latest.store(next, std::memory_order_release);
    }

    T load() const {
        std::uint64_t words[kWords];
        for (;;) {
            const Slot& slot = m_slots[m_latest.load(std::memory_order_acquire)];
            const std::uint32_t before = slot.seq.load(std::memory_order_acquire);
            if (before & 1u) continue; // reused under us: take the newer one
            for (std::size_t i = 0; i < kWords; ++i) words[i] = slot.words[i].load(std::memory_order_acquire);
            if (slot.seq.load(std::memory_order_relaxed) == before) break;
        }
        T value;
        std::memcpy(&value, words, sizeof(T));
        return value;
    }

private:
    Slot m_slots[kSlots];
    std::atomic<std::uint32_t> m_latest{0};
    std::mutex m_writer;
};

using ProfileViewCell = PublishedCell<ProfileSnapshot>;

// Window-side owner of the view: keeps the state the window thread edits and
// republishes it after each change. Stands in for the main window until that
// exists, and is what the main window embeds afterwards.
class ProfileViewOwner {
public:
    ProfileViewOwner() { m_view.store(m_state); }

    void selectProfile(std::int32_t position, std::string_view text);
    void selectNothing() { selectProfile(kNoProfileSelected, {}); }
    void setBinding(KeySlotIndex slot, const KeyBinding& binding);
    void setBindings(const KeyBindings& bindings);

    const ProfileSnapshot& state() const { return m_state; } // window thread only
    const ProfileViewCell& view() const { return m_view; }   // any thread

private:
    ProfileSnapshot m_state;
    ProfileViewCell m_view;
};

} // namespace remorra::keys
