#pragma once
// IR timing captures: reading the two common text forms (mode2 lines and raw
// alternating durations) and writing nominal frames as mode2 text.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace remorra::tuner {

// Alternating burst (pulse) and space durations in µs, starting with a burst;
// runs of one kind are merged and leading spaces dropped.
using Timeline = std::vector<std::uint32_t>;

// Reads mode2 text (`pulse N`, `space N`, `timeout N` as a space, `#`
// comments) or raw durations (`+N`/`-N`, or unsigned starting with a pulse)
// piece by piece and hands over the capture frame by frame, so that memory
// follows the longest line and the longest frame, not the capture. The first
// line with a word decides the form. A frame ends at a space of kFrameGapUs
// or more: longer than the sampling pass looks ahead, plus the key handler's
// hold-off, so a replay can load frame after frame and the pipeline sees
// the same levels as with the whole capture loaded.
class CaptureReader {
public:
    // A frame starts and ends with a burst; `startUs` is its first burst's
    // offset from the capture's first burst. False stops the reader.
    using FrameSink = std::function<bool(std::uint64_t startUs, const Timeline& frame)>;

    static constexpr std::size_t kMaxLineBytes = 4096;
    static constexpr std::size_t kMaxFrameDurations = std::size_t{1} << 20;
    static constexpr std::uint64_t kMaxCaptureBytes = std::uint64_t{256} << 20;
    static constexpr std::uint64_t kMaxSpanUs = 7ull * 24 * 3600 * 1'000'000; // the replay's clock stays in range
    static constexpr std::uint32_t kFrameGapUs = 500'000;

    CaptureReader(std::string name, FrameSink sink);
    // Text in any pieces (a line may run across them). False when the capture
    // is malformed (error() = "NAME:LINE: what is wrong") or the sink stopped
    // it (error() empty); the reader takes nothing more then.
    bool feed(std::string_view text);
    // The end of the text: hands over the last frame.
    bool finish();
    const std::string& error() const { return m_error; }

private:
    bool line(std::string_view text);
    bool add(bool pulse, std::uint64_t us);
    // Gives m_frame (without a trailing space) to the sink; its length in µs.
    bool handOver(std::uint64_t& length);
    bool fail(const std::string& what);

    std::string m_name;
    FrameSink m_sink;
    std::string m_error;
    bool m_stopped = false;
    std::string m_partial; // a line not ended yet
    std::uint64_t m_bytes = 0;
    int m_line = 0;
    int m_form = 0;      // 0 undecided, 1 mode2, 2 raw
    int m_signedness = 0; // raw: 0 unknown, 1 signed, -1 unsigned
    bool m_nextPulse = true;
    int m_badTimeoutLine = 0; // a bad timeout remark before the form was known
    std::string m_badTimeout;
    Timeline m_frame; // may end in the space that follows it
    std::uint64_t m_startUs = 0;
    bool m_any = false; // a frame was handed over
    std::vector<std::string_view> m_words;
};

// The whole capture at once. On a malformed input returns false with `error`
// = "NAME:LINE: what is wrong" and leaves `out` empty.
bool parseCapture(std::string_view text, const std::string& name, Timeline& out, std::string& error);

std::string toMode2(const Timeline& t);

struct EncodeOptions {
    int frames = 1;
    std::uint32_t gapMs = 100; // space after each frame (and its repeats)
    std::uint32_t jitterUs = 0;
    std::uint32_t seed = 1;
};

// NEC: 16-bit (or 24-bit when `bits24`) address, command, then `repeats`
// repeat codes 108 ms apart.
Timeline encodeNec(std::uint32_t address, std::uint8_t command, int repeats, bool bits24, const EncodeOptions& o);
// NEC with all four bytes given (first byte low in each): no inverse checked.
Timeline encodeNec32(std::uint16_t address, std::uint16_t command, int repeats, const EncodeOptions& o);
// RC5: group 0-31, command 0-127 (64 and up clear the second start bit).
Timeline encodeRc5(std::uint8_t group, std::uint8_t command, bool toggle, const EncodeOptions& o);
// RC6 mode 0 (8-bit control and information, toggle in the trailer bit) or
// mode 6 (16-bit control and information, toggle in control bit 15).
Timeline encodeRc6(int mode, std::uint16_t control, std::uint16_t information, bool toggle, const EncodeOptions& o);

} // namespace remorra::tuner
