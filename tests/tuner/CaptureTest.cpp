#include "platform/tuner/IrCapture.h"
#include "platform/tuner/ReplayPipeline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace remorra::tuner;

TEST(IrCapture, ReadsMode2AndRawForms)
{
    struct Case {
        const char* text;
        Timeline expected;
    } cases[] = {
        {"# from mode2\nspace 100000\npulse 9000\nspace 4500\npulse 560\ntimeout 30000\n", {9000, 4500, 560}},
        {"pulse 100\npulse 50\nspace 10\n", {150}},
        {"+90000000 +90000000 -1 +1", {180000000, 1, 1}},
        {"+9000 -4500\n+560 -1690 +560", {9000, 4500, 560, 1690, 560}},
        {"9000 4500 560 # comment\n560 560\n", {9000, 4500, 560, 560, 560}},
        // LIRC's mode2: driver and device lines first, the receiver's idle
        // space, CRLF when saved on another system.
        {"Using driver default on device /dev/lirc0\r\nTrying device: /dev/lirc0\r\n"
         "Using device: /dev/lirc0\r\nWarning: Running as root.\r\nspace 16777215\r\npulse 9024\r\n"
         "space 4471\r\npulse 590\r\ntimeout 124996\r\npulse 9010\r\n",
         {9024, 4471, 590, 124996, 9010}},
        // ir-ctl's mode2 form names the carrier.
        {"carrier 38000\npulse 9000\nspace 2250\npulse 560\ntimeout 125000\n", {9000, 2250, 560}},
        // ir-ctl's signed form: the idle time between groups is only in the
        // timeout remark, and must keep the groups apart.
        {"+9000 -4500 +560\n# timeout 125000\n+9000 -2250 +560 # timeout 125000\n+560\n",
         {9000, 4500, 560, 125000, 9000, 2250, 560, 125000, 560}},
        {"9000 4500 560\n# timeout 30000\n9000 2250 560\n", {9000, 4500, 560, 30000, 9000, 2250, 560}},
    };
    for (const auto& c : cases) {
        Timeline t;
        std::string error;
        ASSERT_TRUE(parseCapture(c.text, "f", t, error)) << c.text << error;
        EXPECT_EQ(t, c.expected) << c.text;
        // Written out and read again: runs longer than one line may hold too.
        Timeline again;
        ASSERT_TRUE(parseCapture(toMode2(t), "again", again, error)) << c.text << error;
        EXPECT_EQ(again, t) << c.text;
    }
}

TEST(IrCapture, MalformedInputNamesFileAndLine)
{
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"pulse 9000\nspace x\n", "cap.txt:2: bad duration 'x'"},
        {"pulse 9000\nmark 10\n", "cap.txt:2: unknown word 'mark'"},
        {"pulse\n", "cap.txt:1: expected 'pulse N', 'space N' or 'timeout N'"},
        {"+9000\n\n4500\n", "cap.txt:3: mixed signed and unsigned durations"},
        {"9000 0\n", "cap.txt:1: bad duration '0'"},
        {"# nothing\n", "cap.txt:2: no pulse in the capture"},
        {"pulse 9000\noverflow\npulse 560\n", "cap.txt:2: the receiver overflowed here: timings were lost"},
        {"+9000 -4500 +560\n# timeout x\n", "cap.txt:2: bad timeout 'x'"},
        {"Using driver default\n", "cap.txt:2: no pulse in the capture"},
    };
    for (const auto& c : cases) {
        Timeline t{1};
        std::string error;
        EXPECT_FALSE(parseCapture(c.text, "cap.txt", t, error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
        EXPECT_TRUE(t.empty());
    }
}

namespace {
class Lines final : public CIR_DecoderCallback {
public:
    void OnIrKey(std::int32_t type, const void* report) override { lines.push_back(formatKeyReport(type, report)); }
    std::vector<std::string> lines;
};
} // namespace

TEST(ReplayPipeline, NecFrameWithRepeatsAndJitterDecodes)
{
    EncodeOptions o;
    o.jitterUs = 60;
    o.seed = 7;
    Lines sink;
    replayCapture(encodeNec(0xFB04, 0x12, 3, false, o), sink);
    EXPECT_EQ(sink.lines, (std::vector<std::string>{"nec address=0xFB04 command=0x12 repeat=0",
                                                    "nec address=0xFB04 command=0x12 repeat=1",
                                                    "nec address=0xFB04 command=0x12 repeat=1"}));
    Lines nec24;
    ReplayOptions r;
    r.decoderType = TM_IR_DECODER_NEC24;
    replayCapture(encodeNec(0x123456, 0x42, 0, true, {}), nec24, r);
    EXPECT_EQ(nec24.lines, (std::vector<std::string>{"nec24 address=0x123456 command=0x42 repeat=0"}));
}

namespace {
struct Frame {
    std::uint64_t startUs;
    Timeline durations;
    bool operator==(const Frame&) const = default;
};
} // namespace

TEST(CaptureReader, FramesEndAtLongPausesHoweverTheTextIsCut)
{
    const std::string text = "space 70000\npulse 100\nspace 499999\npulse 200\nspace 300000\nspace 200000\n"
                             "pulse 300\nspace 20\n\n+1\n";
    const std::vector<Frame> expected = {{0, {100, 499999, 200}}, {1'000'299, {300}}};
    for (std::size_t piece : {std::size_t{1}, std::size_t{7}, text.size()}) {
        SCOPED_TRACE(piece);
        std::vector<Frame> frames;
        CaptureReader reader("f", [&](std::uint64_t at, const Timeline& t) {
            frames.push_back({at, t});
            return true;
        });
        bool ok = true;
        for (std::size_t i = 0; i < text.size() && ok; i += piece)
            ok = reader.feed(std::string_view(text).substr(i, piece));
        ASSERT_FALSE(ok);
        EXPECT_EQ(reader.error(), "f:10: expected 'pulse N', 'space N' or 'timeout N'");
        EXPECT_EQ(frames, std::vector<Frame>{expected[0]}) << "frames before the fault were handed over";
    }
    for (std::size_t piece : {std::size_t{1}, std::size_t{5}, text.size()}) {
        std::vector<Frame> frames;
        CaptureReader reader("f", [&](std::uint64_t at, const Timeline& t) {
            frames.push_back({at, t});
            return true;
        });
        const std::string good = text.substr(0, text.rfind("+1"));
        for (std::size_t i = 0; i < good.size(); i += piece)
            ASSERT_TRUE(reader.feed(std::string_view(good).substr(i, piece)));
        ASSERT_TRUE(reader.finish()) << reader.error();
        EXPECT_EQ(frames, expected);
        Timeline whole;
        std::string error;
        ASSERT_TRUE(parseCapture(good, "f", whole, error));
        EXPECT_EQ(whole, (Timeline{100, 499999, 200, 500000, 300}));
    }
}

TEST(CaptureReader, BoundsLinesFramesAndSize)
{
    const auto refusal = [](const std::string& text) {
        CaptureReader reader("f", [](std::uint64_t, const Timeline&) { return true; });
        return reader.feed(text) && reader.finish() ? std::string() : reader.error();
    };
    EXPECT_EQ(refusal("pulse 1\n" + std::string(5000, '0')), "f:2: line longer than 4096 bytes");
    std::string endless;
    for (std::size_t i = 0; i <= CaptureReader::kMaxFrameDurations; ++i)
        endless += "1 ";
    EXPECT_EQ(refusal(endless), "f:1: line longer than 4096 bytes");
    endless.clear();
    for (std::size_t i = 0; i <= CaptureReader::kMaxFrameDurations; ++i)
        endless += "1\n";
    EXPECT_EQ(refusal(endless), "f:1048577: more than 1048576 durations without a pause of 500 ms: not a remote's signal");
    EXPECT_EQ(refusal("pulse 9000\nspace \x1b]0;x\a\n"), "f:2: bad duration '\\x1b]0;x\\x07'");
    std::string longAgo;
    for (int frame = 0; frame < 150; ++frame) {
        longAgo += "pulse 1\n";
        for (int i = 0; i < 43; ++i) // a pause of 2^32 - 1 µs, as long as one can be
            longAgo += "space 100000000\n";
    }
    EXPECT_TRUE(refusal(longAgo).ends_with(": the capture spans more than 7 days")) << refusal(longAgo);
}

TEST(ReplayPipeline, FramesReplayedOneAfterTheOtherDecodeAsTheWholeCapture)
{
    EncodeOptions o;
    o.gapMs = 600;
    o.frames = 3;
    const Timeline capture = encodeNec(0xFB04, 0x12, 2, false, o);
    for (std::int32_t mode : {TM_IR_CAPTURE_EDGE, TM_IR_CAPTURE_SAMPLING}) {
        SCOPED_TRACE(mode);
        ReplayOptions r;
        r.captureMode = mode;
        Lines whole, framed;
        ASSERT_TRUE(replayCapture(capture, whole, r));
        std::size_t frames = 0;
        ASSERT_TRUE(replayFrames(
            [&](const PlayFrame& play) {
                CaptureReader reader("f", [&](std::uint64_t at, const Timeline& t) { return ++frames, play(at, t); });
                return reader.feed(toMode2(capture)) && reader.finish();
            },
            framed, r));
        EXPECT_EQ(frames, 3u);
        EXPECT_EQ(framed.lines, whole.lines);
        EXPECT_GE(whole.lines.size(), 3u);
    }
}
