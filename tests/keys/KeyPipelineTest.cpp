// From pin edges to key strokes in virtual time: NEC frames played on the
// simulated card, through the layers and the front end, into the key report
// handler and the recording output.
#include "app/ProfileEditor.h"
#include "keys/KeyReportHandler.h"
#include "platform/tuner/IrCapture.h"
#include "platform/tuner/ReplayPipeline.h"

#include "KeyTestUtil.h"
#include "LogFileFixture.h"

#include <gtest/gtest.h>

using namespace remorra::keys;
using remorra::keys::test::Strokes;
using remorra::tuner::Timeline;

namespace {

// One remote press per command, far enough apart that no hold-off overlaps.
Timeline Presses(std::initializer_list<std::uint8_t> commands) {
    Timeline t;
    for (std::uint8_t c : commands) {
        const Timeline frame = remorra::tuner::encodeNec(0xFB04, c, 0, false, {});
        t.insert(t.end(), frame.begin(), frame.end());
        if (t.size() % 2) t.push_back(300'000); // a frame ends on its stop burst
    }
    return t;
}

class KeyPipelineTest : public ::testing::Test {
protected:
    std::string play(const Timeline& capture) {
        KeyReportHandler handler(out, owner.view(), gate);
        remorra::tuner::replayCapture(capture, handler);
        EXPECT_TRUE(gate.isOpen());
        return ToString(out.take());
    }

    test::LogFile log;
    RecordingKeyOutput out;
    ProfileViewOwner owner;
    KeyGate gate;
};

TEST_F(KeyPipelineTest, MediaCenterStrokesFromACapture) {
    owner.selectProfile(kBuiltInProfilePosition, remorra::kBuiltInProfile);
    EXPECT_EQ(play(Presses({0x83, 0x98, 0xDA, 0x85, 0x05, 0x95, 0x84})),
              ToString(Strokes("D11 P10 D52 U11 U52 "                            // Record
                               "D11 P10 D50 P10 U11 P10 U50 "                    // Pause
                               "D11 P10 D10 P10 D46 P10 U46 P10 U10 P10 U11 "    // FWD
                               "D63 P10 U63 "                                    // digit 3
                               /* 0x05 and Fav: nothing */
                               "D5B P10 D12 P10 D0D P10 U5B P10 U0D P10 U12"))); // Power
}

TEST_F(KeyPipelineTest, UserProfileBindingsFromACapture) {
    owner.selectProfile(1, "Movie");
    owner.setBinding(SlotFav, KeyBinding::FromHotKey(0x41, HOTKEYF_CONTROL_BIT | HOTKEYF_SHIFT_BIT));
    EXPECT_EQ(play(Presses({0x95, 0x9C, 0x81})),
              ToString(Strokes("D11 P10 D10 P10 D41 P10 U41 U11 P10 U10 P10 " // Fav: Ctrl+Shift+A
                               /* EPG: empty binding */
                               "D26 P10 U26")));                              // up, fixed
}

} // namespace
