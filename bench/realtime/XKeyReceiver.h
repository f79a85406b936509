#pragma once
// A focused window of its own on $DISPLAY that timestamps (time seam counter)
// every KeyPress it receives, on a thread of its own. Kept apart from the
// rest of the benchmark so that Xlib's macros stay in one file.
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace remorra::bench {

class XKeyReceiver {
public:
    // Fills presses[0], presses[1], ... in arrival order, up to its size.
    explicit XKeyReceiver(std::vector<std::int64_t>& presses);
    ~XKeyReceiver();
    XKeyReceiver(const XKeyReceiver&) = delete;
    XKeyReceiver& operator=(const XKeyReceiver&) = delete;
    bool ok() const { return m_display != nullptr; }

private:
    void run();
    std::vector<std::int64_t>& m_presses;
    void* m_display = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};

} // namespace remorra::bench
