#include "platform/tuner/IrCapture.h"

#include <cctype>
#include <charconv>
#include <random>

namespace remorra::tuner {
namespace {

constexpr std::uint64_t kMaxDurationUs = 100'000'000;

class Builder {
public:
    void add(bool pulse, std::uint64_t us)
    {
        if (us == 0)
            return;
        if (m_t.empty() && !pulse)
            return;
        const bool lastPulse = m_t.size() % 2 == 1;
        if (!m_t.empty() && lastPulse == pulse)
            m_t.back() = static_cast<std::uint32_t>(std::min<std::uint64_t>(m_t.back() + us, 0xFFFFFFFFu));
        else
            m_t.push_back(static_cast<std::uint32_t>(std::min<std::uint64_t>(us, 0xFFFFFFFFu)));
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

std::vector<std::string_view> tokens(std::string_view line)
{
    std::vector<std::string_view> out;
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
    return out;
}

} // namespace

namespace {

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

struct Line {
    int number = 0;
    std::vector<std::string_view> words;
    // ir-ctl's signed form ends each burst group with `# timeout N`: the idle
    // time it reports is a space, not a remark, or two bursts would merge.
    std::string_view commentTimeout;
};

} // namespace

bool parseCapture(std::string_view text, const std::string& name, Timeline& out, std::string& error)
{
    out.clear();
    std::vector<Line> lines;
    int number = 0;
    bool mode2 = false;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        ++number;
        pos = end + 1;
        Line l{number, {}, {}};
        if (const auto hash = line.find('#'); hash != std::string_view::npos) {
            const auto remark = tokens(line.substr(hash + 1));
            if (remark.size() == 2 && remark[0] == "timeout")
                l.commentTimeout = remark[1];
            line = line.substr(0, hash);
        }
        l.words = tokens(line);
        if (!l.words.empty() && isToolHeader(line))
            l.words.clear();
        if (!l.words.empty() || !l.commentTimeout.empty()) {
            if (!l.words.empty() && std::isalpha(static_cast<unsigned char>(l.words[0][0])))
                mode2 = true;
            lines.push_back(std::move(l));
        }
        if (end == text.size())
            break;
    }
    auto fail = [&](int line, const std::string& what) {
        error = name + ":" + std::to_string(line) + ": " + what;
        out.clear();
        return false;
    };
    Builder b;
    int signedness = 0; // 0 unknown, 1 signed, -1 unsigned
    bool nextPulse = true;
    for (const auto& [line, t, commentTimeout] : lines) {
        if (mode2) {
            if (t.empty())
                continue;
            if (t.size() == 1 && t[0] == "overflow")
                return fail(line, "the receiver overflowed here: timings were lost");
            if (t.size() != 2)
                return fail(line, "expected 'pulse N', 'space N' or 'timeout N'");
            std::uint64_t v = 0;
            if (!parseNumber(t[1], v))
                return fail(line, "bad duration '" + std::string(t[1]) + "'");
            if (t[0] == "pulse")
                b.add(true, v);
            else if (t[0] == "space" || t[0] == "timeout")
                b.add(false, v);
            else if (t[0] != "carrier" && t[0] != "frequency") // modulation, not timing
                return fail(line, "unknown word '" + std::string(t[0]) + "'");
            continue;
        }
        for (std::string_view tok : t) {
            const bool hasSign = tok[0] == '+' || tok[0] == '-';
            const int kind = hasSign ? 1 : -1;
            if (signedness == 0)
                signedness = kind;
            else if (signedness != kind)
                return fail(line, "mixed signed and unsigned durations");
            std::uint64_t v = 0;
            if (!parseNumber(hasSign ? tok.substr(1) : tok, v) || v == 0)
                return fail(line, "bad duration '" + std::string(tok) + "'");
            if (hasSign) {
                b.add(tok[0] == '+', v);
            } else {
                b.add(nextPulse, v);
                nextPulse = !nextPulse;
            }
        }
        if (!commentTimeout.empty()) {
            std::uint64_t v = 0;
            if (!parseNumber(commentTimeout, v))
                return fail(line, "bad timeout '" + std::string(commentTimeout) + "'");
            b.add(false, v);
            nextPulse = true;
        }
    }
    out = b.take();
    // A trailing space is idle line, not part of the last burst.
    if (out.size() % 2 == 0 && !out.empty())
        out.pop_back();
    if (out.empty())
        return fail(number, "no pulse in the capture");
    return true;
}

std::string toMode2(const Timeline& t)
{
    std::string s;
    for (std::size_t i = 0; i < t.size(); ++i)
        s += (i % 2 ? "space " : "pulse ") + std::to_string(t[i]) + "\n";
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

Timeline encodeNec(std::uint32_t address, std::uint8_t command, int repeats, bool bits24, const EncodeOptions& o)
{
    Encoder e(o);
    std::vector<std::uint8_t> bytes = {static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(address >> 8)};
    if (bits24)
        bytes.push_back(static_cast<std::uint8_t>(address >> 16));
    bytes.push_back(command);
    bytes.push_back(static_cast<std::uint8_t>(~command));
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
