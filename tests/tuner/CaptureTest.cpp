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
