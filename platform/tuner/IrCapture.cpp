#include "platform/tuner/IrCapture.h"

#include "platform/os/Quote.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <random>

namespace remorra::tuner {
namespace {

constexpr std::uint64_t kMaxDurationUs = 100'000'000;

std::uint32_t saturated(std::uint64_t us) { return static_cast<std::uint32_t>(std::min<std::uint64_t>(us, 0xFFFFFFFFu)); }

// A timeline starts with a pulse and alternates: `us` is dropped when zero or
// a leading space (idle line) and merged into a last run of its kind. False
// when it starts a new run, which the caller appends after its own checks.
bool mergeRun(Timeline& t, bool pulse, std::uint64_t us)
{
    if (us == 0 || (t.empty() && !pulse))
        return true;
    if (t.empty() || (t.size() % 2 == 1) != pulse)
        return false;
    t.back() = saturated(std::uint64_t{t.back()} + us);
    return true;
}

class Builder {
public:
    void add(bool pulse, std::uint64_t us)
    {
        if (!mergeRun(m_t, pulse, us))
            m_t.push_back(saturated(us));
    }
    Timeline take() { return std::move(m_t); }

private:
    Timeline m_t;
};

bool parseNumber(std::string_view s, std::uint64_t& v)
{
    if (s.empty())
        return false;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return ec == std::errc() && p == s.data() + s.size() && v <= kMaxDurationUs;
}

void tokens(std::string_view line, std::vector<std::string_view>& out)
{
    out.clear();
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i])))
            ++i;
        const std::size_t b = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])))
            ++i;
        if (i > b)
            out.push_back(line.substr(b, i - b));
    }
}

// Lines that capture tools print around the timings: LIRC's mode2 names its
// driver and device first, and warns when run as root.
bool isToolHeader(std::string_view line)
{
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.front())))
        line.remove_prefix(1);
    for (std::string_view h : {"Using driver ", "Using device", "Trying device", "Running as ", "Warning: "})
        if (line.starts_with(h))
            return true;
    return false;
}

} // namespace

CaptureReader::CaptureReader(std::string name, FrameSink sink) : m_name(std::move(name)), m_sink(std::move(sink)) {}

bool CaptureReader::fail(const std::string& what)
{
    m_error = m_name + ":" + std::to_string(m_line) + ": " + what;
    m_stopped = true;
    return false;
}

bool CaptureReader::feed(std::string_view text)
{
    if (m_stopped)
        return false;
    m_bytes += text.size();
    if (m_bytes > kMaxCaptureBytes) {
        ++m_line;
        return fail("the capture is larger than " + std::to_string(kMaxCaptureBytes >> 20) + " MiB");
    }
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        const std::string_view piece = text.substr(0, nl);
        if (m_partial.size() + piece.size() > kMaxLineBytes) {
            ++m_line;
            return fail("line longer than " + std::to_string(kMaxLineBytes) + " bytes");
        }
        if (nl == std::string_view::npos) {
            m_partial.append(piece);
            return true;
        }
        text.remove_prefix(nl + 1);
        bool ok;
        if (m_partial.empty()) {
            ok = line(piece);
        } else {
            m_partial.append(piece);
            ok = line(m_partial);
            m_partial.clear();
        }
        if (!ok)
            return false;
    }
    return true;
}

bool CaptureReader::line(std::string_view text)
{
    ++m_line;
    std::string_view commentTimeout;
    if (const auto hash = text.find('#'); hash != std::string_view::npos) {
        // ir-ctl's signed form ends each burst group with `# timeout N`: the
        // idle time it reports is a space, not a remark, or two bursts would merge.
        tokens(text.substr(hash + 1), m_words);
        if (m_words.size() == 2 && m_words[0] == "timeout")
            commentTimeout = m_words[1];
        text = text.substr(0, hash);
    }
    tokens(text, m_words);
    if (!m_words.empty() && isToolHeader(text))
        m_words.clear();
    const auto& t = m_words;
    if (m_form == 0 && !t.empty()) {
        m_form = std::isalpha(static_cast<unsigned char>(t[0][0])) ? 1 : 2;
        if (m_form == 2 && m_badTimeoutLine) {
            m_line = m_badTimeoutLine;
            return fail("bad timeout " + os::quoteExcerpt(m_badTimeout));
        }
    }
    std::uint64_t v = 0;
    if (m_form == 1) {
        if (t.empty())
            return true;
        if (t.size() == 1 && t[0] == "overflow")
            return fail("the receiver overflowed here: timings were lost");
        if (t.size() != 2)
            return fail("expected 'pulse N', 'space N' or 'timeout N'");
        if (!parseNumber(t[1], v))
            return fail("bad duration " + os::quoteExcerpt(t[1]));
        if (t[0] == "pulse")
            return add(true, v);
        if (t[0] == "space" || t[0] == "timeout")
            return add(false, v);
        if (t[0] != "carrier" && t[0] != "frequency") // modulation, not timing
            return fail("unknown word " + os::quoteExcerpt(t[0]));
        return true;
    }
    for (std::string_view tok : t) {
        const bool hasSign = tok[0] == '+' || tok[0] == '-';
        const int kind = hasSign ? 1 : -1;
        if (m_signedness == 0)
            m_signedness = kind;
        else if (m_signedness != kind)
            return fail("mixed signed and unsigned durations");
        if (!parseNumber(hasSign ? tok.substr(1) : tok, v) || v == 0)
            return fail("bad duration " + os::quoteExcerpt(tok));
        if (!add(hasSign ? tok[0] == '+' : m_nextPulse, v))
            return false;
        m_nextPulse = !m_nextPulse;
    }
    if (!commentTimeout.empty()) {
        if (!parseNumber(commentTimeout, v)) {
            if (m_form == 2)
                return fail("bad timeout " + os::quoteExcerpt(commentTimeout));
            // Ignored if the capture turns out to be mode2 text.
            if (!m_badTimeoutLine) {
                m_badTimeoutLine = m_line;
                m_badTimeout = std::string(commentTimeout.substr(0, os::kExcerptBytes + 1));
            }
            return true;
        }
        if (m_form == 2) {
            m_nextPulse = true;
            return add(false, v);
        }
    }
    return true;
}

bool CaptureReader::add(bool pulse, std::uint64_t us)
{
    if (mergeRun(m_frame, pulse, us))
        return true;
    if (pulse && !m_frame.empty() && m_frame.back() >= kFrameGapUs) {
        // The pause ends a frame; it is the offset of the next one.
        const std::uint32_t gap = m_frame.back();
        m_frame.pop_back();
        std::uint64_t length = 0;
        if (!handOver(length))
            return false;
        m_startUs += length + gap;
        m_frame.clear();
        m_frame.push_back(saturated(us));
        return true;
    }
    if (m_frame.size() >= kMaxFrameDurations)
        return fail("more than " + std::to_string(kMaxFrameDurations) + " durations without a pause of " +
                    std::to_string(kFrameGapUs / 1000) + " ms: not a remote's signal");
    m_frame.push_back(saturated(us));
    return true;
}

bool CaptureReader::finish()
{
    if (m_stopped)
        return false;
    if (!m_partial.empty()) {
        const std::string last = std::move(m_partial);
        m_partial.clear();
        if (!line(last))
            return false;
    }
    // Line count as an editor shows it: the text after the last newline is a line too.
    ++m_line;
    m_stopped = true;
    // A trailing space is idle line, not part of the last burst.
    if (m_frame.size() % 2 == 0 && !m_frame.empty())
        m_frame.pop_back();
    if (m_frame.empty()) {
        if (m_any)
            return true;
        return fail("no pulse in the capture");
    }
    std::uint64_t length = 0;
    return handOver(length);
}

bool CaptureReader::handOver(std::uint64_t& length)
{
    length = 0;
    for (std::uint32_t d : m_frame)
        length += d;
    if (m_startUs + length > kMaxSpanUs)
        return fail("the capture spans more than " + std::to_string(kMaxSpanUs / 86'400'000'000) + " days");
    m_any = true;
    if (m_sink(m_startUs, m_frame))
        return true;
    m_stopped = true;
    return false;
}

bool parseCapture(std::string_view text, const std::string& name, Timeline& out, std::string& error)
{
    out.clear();
    Timeline whole;
    std::uint64_t endUs = 0;
    CaptureReader reader(name, [&](std::uint64_t startUs, const Timeline& frame) {
        if (!whole.empty())
            whole.push_back(static_cast<std::uint32_t>(startUs - endUs));
        whole.insert(whole.end(), frame.begin(), frame.end());
        endUs = startUs;
        for (std::uint32_t d : frame)
            endUs += d;
        return true;
    });
    if (!reader.feed(text) || !reader.finish()) {
        error = reader.error();
        return false;
    }
    out = std::move(whole);
    return true;
}

std::string toMode2(const Timeline& t)
{
    std::string s;
    for (std::size_t i = 0; i < t.size(); ++i) {
        // Runs merged from several lines may pass what one line may hold;
        // written as several lines again, they read back as the same run.
        std::uint64_t left = t[i];
        do {
            const std::uint64_t part = std::min(left, kMaxDurationUs);
            s += (i % 2 ? "space " : "pulse ") + std::to_string(part) + "\n";
            left -= part;
        } while (left != 0);
    }
    return s;
}

namespace {

// Collects levels and applies jitter once the nominal run lengths are known.
class Encoder {
public:
    explicit Encoder(const EncodeOptions& o) : m_o(o), m_rng(o.seed) {}
    void level(bool pulse, std::uint32_t us) { m_b.add(pulse, us); }
    void gap() { m_b.add(false, std::uint64_t{m_o.gapMs} * 1000); }
    Timeline finish()
    {
        Timeline t = m_b.take();
        if (t.size() % 2 == 0 && !t.empty())
            t.pop_back(); // the trailing gap is idle time, not part of the capture
        if (m_o.jitterUs) {
            const int j = static_cast<int>(m_o.jitterUs);
            std::uniform_int_distribution<int> d(-j, j);
            for (auto& v : t)
                v = static_cast<std::uint32_t>(std::max<std::int64_t>(1, std::int64_t{v} + d(m_rng)));
        }
        return t;
    }

private:
    EncodeOptions m_o;
    std::mt19937 m_rng;
    Builder m_b;
};

} // namespace

namespace {

Timeline encodeNecBytes(const std::vector<std::uint8_t>& bytes, int repeats, const EncodeOptions& o)
{
    Encoder e(o);
    for (int f = 0; f < std::max(1, o.frames); ++f) {
        std::uint32_t frameUs = 0;
        auto put = [&](bool p, std::uint32_t us) {
            e.level(p, us);
            frameUs += us;
        };
        put(true, 9000);
        put(false, 4500);
        for (std::uint8_t byte : bytes)
            for (int bit = 0; bit < 8; ++bit) {
                put(true, 560);
                put(false, (byte >> bit) & 1 ? 1690 : 560);
            }
        put(true, 560);
        for (int r = 0; r < repeats; ++r) {
            // Frames and repeat codes start every 108 ms.
            put(false, frameUs < 108'000 ? 108'000 - frameUs : 560);
            frameUs = 0;
            put(true, 9000);
            put(false, 2250);
            put(true, 560);
        }
        e.gap();
    }
    return e.finish();
}

} // namespace

Timeline encodeNec(std::uint32_t address, std::uint8_t command, int repeats, bool bits24, const EncodeOptions& o)
{
    std::vector<std::uint8_t> bytes = {static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(address >> 8)};
    if (bits24)
        bytes.push_back(static_cast<std::uint8_t>(address >> 16));
    bytes.push_back(command);
    bytes.push_back(static_cast<std::uint8_t>(~command));
    return encodeNecBytes(bytes, repeats, o);
}

Timeline encodeNec32(std::uint16_t address, std::uint16_t command, int repeats, const EncodeOptions& o)
{
    return encodeNecBytes({static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(address >> 8),
                           static_cast<std::uint8_t>(command), static_cast<std::uint8_t>(command >> 8)},
                          repeats, o);
}

Timeline encodeRc5(std::uint8_t group, std::uint8_t command, bool toggle, const EncodeOptions& o)
{
    Encoder e(o);
    for (int f = 0; f < std::max(1, o.frames); ++f) {
        std::uint32_t word = 1u << 13;
        word |= (command & 0x40 ? 0u : 1u) << 12;
        word |= (toggle ? 1u : 0u) << 11;
        word |= (group & 0x1Fu) << 6;
        word |= command & 0x3Fu;
        // Manchester, 889 µs halves: a 1 is space then burst.
        for (int bit = 13; bit >= 0; --bit) {
            const bool one = (word >> bit) & 1;
            e.level(!one, 889);
            e.level(one, 889);
        }
        e.gap();
    }
    return e.finish();
}

Timeline encodeRc6(int mode, std::uint16_t control, std::uint16_t information, bool toggle, const EncodeOptions& o)
{
    Encoder e(o);
    constexpr std::uint32_t t = 444;
    const int width = mode == 6 ? 16 : 8;
    if (mode == 6 && toggle)
        control |= 0x8000;
    for (int f = 0; f < std::max(1, o.frames); ++f) {
        // A 1 is burst then space, halves of one unit (two for the trailer).
        auto bit = [&](bool one, std::uint32_t half) {
            e.level(one, half);
            e.level(!one, half);
        };
        e.level(true, 6 * t);
        e.level(false, 2 * t);
        bit(true, t);
        for (int m = 2; m >= 0; --m)
            bit((mode >> m) & 1, t);
        bit(mode == 6 ? false : toggle, 2 * t);
        for (int i = width - 1; i >= 0; --i)
            bit((control >> i) & 1, t);
        for (int i = width - 1; i >= 0; --i)
            bit((information >> i) & 1, t);
        e.gap();
    }
    return e.finish();
}

} // namespace remorra::tuner
