#include "keys/RemoteButtons.h"
#include "platform/simcard/SimCardProtocol.h"
#include "platform/tuner/ReplayPipeline.h"

#include <gtest/gtest.h>

#include <set>

using namespace remorra;
using namespace remorra::simcard;

namespace {

struct NecKey {
    std::uint16_t address;
    std::uint8_t command;
    std::uint32_t repeat;
    friend bool operator==(const NecKey&, const NecKey&) = default;
};

class Collect final : public CIR_DecoderCallback {
public:
    void OnIrKey(std::int32_t type, const void* report) override {
        ASSERT_EQ(type, TM_IR_DECODER_NEC);
        const auto* r = static_cast<const tmIrNecReport*>(report);
        keys.push_back({r->address, r->command, r->repeat});
    }
    std::vector<NecKey> keys;
};

std::vector<NecKey> decode(const tuner::Timeline& t) {
    Collect sink;
    tuner::replayCapture(t, sink);
    return sink.keys;
}

} // namespace

TEST(RemoteButtons, NamesAndCommandsOfTheCardsRemote) {
    const std::vector<std::pair<const char*, std::uint8_t>> known = {
        {"Power", 0x84}, {"Up", 0x81}, {"OK", 0x99}, {"ok", 0x99}, {"Play", 0xDE}, {"RecordedTV", 0xDD},
        {"recall", 0x80}, {"0", 0x92}, {"3", 0x85}, {"9", 0x8D}, {"Star", 0xD1}, {"Hash", 0xD2},
        {"VOLDown", 0x8C}, {"Left", 0x90},
    };
    for (const auto& [name, command] : known) EXPECT_EQ(FindRemoteButton(name), command) << name;
    for (const char* unknown : {"", "10", "Okay", "0x84", "Power "}) EXPECT_FALSE(FindRemoteButton(unknown)) << unknown;

    std::set<std::string> names;
    std::set<int> commands;
    for (const RemoteButton& b : RemoteButtons()) names.insert(b.name), commands.insert(b.command);
    EXPECT_EQ(RemoteButtons().size(), 42u);
    EXPECT_EQ(names.size(), 42u);
    EXPECT_EQ(commands.size(), 42u) << "each button sends its own command";
}

TEST(RemoteButtons, PressesDecodeInOrderAndHoldRepeats) {
    tuner::Timeline t;
    std::string error;
    ASSERT_TRUE(EncodeButtonPresses({"Up", "OK", "Power"}, 0, t, error)) << error;
    EXPECT_EQ(decode(t), (std::vector<NecKey>{{kRemoteAddress, 0x81, 0}, {kRemoteAddress, 0x99, 0},
                                              {kRemoteAddress, 0x84, 0}}));

    // Three repeat codes in 350 ms; the decoder reports a repeat from the second one on.
    ASSERT_TRUE(EncodeButtonPresses({"Play"}, 350, t, error)) << error;
    EXPECT_EQ(decode(t), (std::vector<NecKey>{{kRemoteAddress, 0xDE, 0}, {kRemoteAddress, 0xDE, 1},
                                              {kRemoteAddress, 0xDE, 1}}));

    tuner::Timeline kept{1, 2, 3};
    EXPECT_FALSE(EncodeButtonPresses({"Up", "Bogus"}, 0, kept, error));
    EXPECT_EQ(error, "unknown button 'Bogus'");
    EXPECT_FALSE(EncodeButtonPresses({"Up"}, kMaxHoldMs + 1, kept, error));
    EXPECT_EQ(kept, (tuner::Timeline{1, 2, 3}));
}

TEST(SimCardProtocol, RequestsAreCheckedWhole) {
    struct Case {
        std::string request;
        const char* error; // empty: accepted
    };
    const std::string header(kRequestHeader);
    const std::vector<Case> cases = {
        {header + "pulse 9000\nspace 4500\npulse 560\n", ""},
        {"pulse 9000\n", "not a request of this card (first line must be 'REMORRA-SIM 1')"},
        {"REMORRA-SIM 2\npulse 9000\n", "not a request of this card (first line must be 'REMORRA-SIM 1')"},
        {header, "request:2: no pulse in the capture"},
        {header + "space 500\n", "request:3: no pulse in the capture"},
        {header + "pulse 9000\nspace 61000000\npulse 560\n", "request: longer than 60 s to play"},
        {header + std::string(kMaxRequestBytes, '#'), "request longer than 1048576 bytes"},
    };
    for (const Case& c : cases) {
        tuner::Timeline t{7};
        std::string error;
        EXPECT_EQ(ParsePlayRequest(c.request, t, error), *c.error == 0) << c.request.substr(0, 40);
        if (*c.error) {
            EXPECT_EQ(error, c.error);
            EXPECT_EQ(t, tuner::Timeline{7});
        }
    }
    tuner::Timeline t;
    std::string error;
    EXPECT_FALSE(ParsePlayRequest(header + "pulse x\n", t, error));
    EXPECT_NE(error.find("request:2"), std::string::npos) << error;

    std::string text;
    EXPECT_TRUE(ParseReply("OK 3 bursts played\n", text));
    EXPECT_EQ(text, "3 bursts played");
    EXPECT_FALSE(ParseReply("ERROR bad\n", text));
    EXPECT_EQ(text, "bad");
    EXPECT_FALSE(ParseReply("garbage", text));
}
