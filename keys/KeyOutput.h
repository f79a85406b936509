#pragma once
// The keyboard output the key dispatchers talk to: key down and key up by
// Windows virtual-key code, a pause, and whether a top-level window with a
// given title exists. Back ends: recording (tests, tools), the platform's
// injectors (X11 XTest, uinput on Linux) and a last resort writing each
// stroke to the application log.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace remorra::keys {

class IKeyOutput {
public:
    virtual ~IKeyOutput() = default;
    virtual void keyDown(std::uint8_t vk) = 0;
    virtual void keyUp(std::uint8_t vk) = 0;
    // Blocks the calling thread; real back ends go through the time seam so
    // that replays and tests run in virtual time.
    virtual void pause(std::uint32_t ms) = 0;
    // Case-insensitive exact title match over the top-level windows; false
    // where the platform offers no such search.
    virtual bool windowExists(const char* title) = 0;
    virtual const char* backendName() const = 0;
};

// Remembers which codes were already reported as unmappable, so that each is
// traced once. Lock-free: called from the key thread.
class UnmappedKeyNotes {
public:
    // True the first time a code is noted.
    bool firstTime(std::uint8_t vk) {
        const std::uint64_t bit = std::uint64_t{1} << (vk & 63);
        return (m_seen[vk >> 6].fetch_or(bit, std::memory_order_relaxed) & bit) == 0;
    }
private:
    std::atomic<std::uint64_t> m_seen[4] = {};
};

struct KeyEvent {
    enum Kind : std::uint8_t { Down, Up, Pause };
    Kind kind;
    std::uint32_t value; // virtual-key code, or milliseconds for Pause
    friend bool operator==(const KeyEvent&, const KeyEvent&) = default;
};
// "down 0x11", "up 0x47", "pause 10".
std::string ToString(const KeyEvent& e);
std::string ToString(const std::vector<KeyEvent>& events); // one per line

// Keeps every event and pause in order. Pauses also pass to the time seam.
// Thread-safe, so tests may feed it from several threads.
class RecordingKeyOutput final : public IKeyOutput {
public:
    void keyDown(std::uint8_t vk) override { record({KeyEvent::Down, vk}); }
    void keyUp(std::uint8_t vk) override { record({KeyEvent::Up, vk}); }
    void pause(std::uint32_t ms) override;
    bool windowExists(const char* title) override;
    const char* backendName() const override { return "recording"; }

    std::vector<KeyEvent> events() const;
    // Returns the events so far and forgets them.
    std::vector<KeyEvent> take();
    // Titles the window query answers yes to (compared ignoring case).
    void setOpenWindows(std::vector<std::string> titles);
    // Called after each event is recorded (outside the lock), on the thread
    // that produced it; lets tests act in the middle of a sequence.
    void setHook(std::function<void(const KeyEvent&)> hook);

private:
    void record(const KeyEvent& e);

    mutable std::mutex m_mutex;
    std::vector<KeyEvent> m_events;
    std::vector<std::string> m_windows;
    std::function<void(const KeyEvent&)> m_hook;
};

// Writes each stroke to the application log and sends nothing; the window
// query answers no. Used when no injector can be opened.
class LogKeyOutput final : public IKeyOutput {
public:
    void keyDown(std::uint8_t vk) override;
    void keyUp(std::uint8_t vk) override;
    void pause(std::uint32_t ms) override;
    bool windowExists(const char*) override { return false; }
    const char* backendName() const override { return "log"; }
};

// ASCII case-insensitive equality, as the window title search compares.
bool TitleEqualsIgnoreCase(const char* a, const char* b);

// The platform's best output: on Linux XTest when an X display is reachable,
// else uinput, else the log. REMORRA_KEYS=xtest|uinput|log forces one (a
// forced back end that cannot be opened falls back to the log, with a log line).
// On Windows keybd_event, or the log when REMORRA_KEYS=log.
std::unique_ptr<IKeyOutput> CreateKeyOutput();

} // namespace remorra::keys
