#include "app/ProfileEditor.h"
#include "keys/KeyReportHandler.h"
#include "platform/os/VirtualTimeService.h"

#include "KeyTestUtil.h"
#include "LogFileFixture.h"

#include <gtest/gtest.h>
#include <thread>

using namespace remorra::keys;
using remorra::keys::test::Strokes;

namespace {

tmIrNecReport Nec(std::uint8_t command, std::uint32_t repeat = 0) {
    tmIrNecReport r{};
    r.address = 0x7F80;
    r.command = command;
    r.repeat = repeat;
    return r;
}
tmIrRc6Report Rc6(std::uint16_t information) { return {0x12345u, 0x0F, information}; }

// Forwards to virtual time and lets a test act inside a sleep of the handler.
class HookedTime final : public remorra::os::ITimeService {
public:
    remorra::os::VirtualTimeService inner;
    std::function<void(std::uint32_t)> onSleep;
    std::int64_t counter() override { return inner.counter(); }
    std::int64_t frequency() override { return inner.frequency(); }
    void sleepMs(std::uint32_t ms) override {
        inner.sleepMs(ms);
        if (onSleep) onSleep(ms);
    }
    std::uint32_t startTimer(std::uint32_t p, remorra::os::TimerProc f) override { return inner.startTimer(p, f); }
    void stopTimer(std::uint32_t id) override { inner.stopTimer(id); }
};

const char* kStartMediaCenter = "D5B P10 D12 P10 D0D P10 U5B P10 U0D P10 U12";

class KeyReportHandlerTest : public ::testing::Test {
protected:
    KeyReportHandlerTest() { owner.selectProfile(kBuiltInProfilePosition, remorra::kBuiltInProfile); }
    ~KeyReportHandlerTest() override { EXPECT_TRUE(gate.isOpen()); }

    void userProfile(const char* name) {
        owner.selectProfile(2, name);
        KeyBinding power;
        power.m_dwVirtualKey = 0x50; // P with Ctrl
        power.m_bCtrl = 1;
        owner.setBinding(SlotPower, power);
    }
    void nec(std::uint8_t command) {
        const auto r = Nec(command);
        handler.OnIrKey(TM_IR_DECODER_NEC, &r);
    }
    std::string strokes() { return ToString(out.take()); }

    remorra::keys::test::LogFile log;
    HookedTime time;
    remorra::os::ScopedTimeService scoped{time};
    RecordingKeyOutput out;
    ProfileViewOwner owner;
    KeyGate gate;
    KeyReportHandler handler{out, owner.view(), gate};
};

TEST_F(KeyReportHandlerTest, KeyCodeTextHasNoLeadingZeros) {
    struct Case {
        std::uint32_t field;
        const char* text;
    } cases[] = {{0x05, "0x5"}, {0x84, "0x84"}, {0x10C, "0x10C"}, {0, "0x0"}, {0xFFFF, "0xFFFF"}};
    for (const Case& c : cases) {
        char text[16];
        FormatKeyCodeText(c.field, text, sizeof text);
        EXPECT_STREQ(text, c.text);
    }
}

TEST_F(KeyReportHandlerTest, NecPowerFollowsTheSelectedProfile) {
    nec(0x84);
    EXPECT_EQ(strokes(), ToString(Strokes(kStartMediaCenter)));
    userProfile("Movie");
    nec(0x84);
    EXPECT_EQ(strokes(), ToString(Strokes("D11 P10 D50 P10 U50 U11 P10")));
    owner.selectNothing(); // after a profile was deleted: still the profile dispatcher
    nec(0x84);
    EXPECT_EQ(strokes(), ToString(Strokes("D11 P10 D50 P10 U50 U11 P10")));
    userProfile("Windows Media Center");
    nec(0x84);
    EXPECT_EQ(strokes(), ToString(Strokes(kStartMediaCenter)));
    EXPECT_TRUE(log.lines().empty()); // NEC keys are not logged
}

TEST_F(KeyReportHandlerTest, NecHoldsOffAfterEveryKeyMatchedOrNot) {
    for (std::uint8_t command : {std::uint8_t{0x05}, std::uint8_t{0x9C}}) {
        const auto before = time.inner.nowUs();
        nec(command);
        const auto strokeMs = command == 0x05 ? 0 : 30;
        EXPECT_EQ(time.inner.nowUs() - before, (strokeMs + 100) * 1000) << int{command};
    }
    EXPECT_EQ(strokes(), ToString(Strokes("D11 P10 D47 P10 U47 P10 U11")));
}

TEST_F(KeyReportHandlerTest, RepeatFramesAreHandledLikeNewOnes) {
    const auto first = Nec(0x81, 0), repeat = Nec(0x81, 1);
    handler.OnIrKey(TM_IR_DECODER_NEC, &first);
    handler.OnIrKey(TM_IR_DECODER_NEC, &repeat);
    EXPECT_EQ(strokes(), ToString(Strokes("D26 P10 U26 D26 P10 U26")));
}

TEST_F(KeyReportHandlerTest, NecReportDuringStrokesOrHoldOffIsDropped) {
    // A second report on the first stroke, on the first pause between strokes
    // and inside the hold-off: each finds the gate closed.
    int injected = 0;
    out.setHook([&](const KeyEvent& e) {
        if (e.kind == KeyEvent::Down && e.value == 0x11) { ++injected; nec(0x81); }
        if (e.kind == KeyEvent::Pause && injected == 1) { ++injected; nec(0x82); }
    });
    time.onSleep = [&](std::uint32_t ms) {
        if (ms == kNecKeyHoldOffMs) { ++injected; nec(0x88); }
    };
    nec(0x9C);
    EXPECT_EQ(injected, 3);
    EXPECT_EQ(strokes(), ToString(Strokes("D11 P10 D47 P10 U47 P10 U11")));
    // Open again once the first key is done.
    out.setHook({});
    time.onSleep = {};
    nec(0x81);
    EXPECT_EQ(strokes(), ToString(Strokes("D26 P10 U26")));
}

TEST_F(KeyReportHandlerTest, Rc6IgnoresTheGateTheSelectionAndThePause) {
    // Built-in entry selected: RC6 still takes the profile dispatcher, where
    // EPG's empty binding sends nothing and the digit keys are fixed.
    const auto epg = Rc6(0x9C), digit = Rc6(0x85), unknown = Rc6(0x10C);
    ASSERT_TRUE(gate.tryTake()); // as if a NEC key were being handled
    const auto before = time.inner.nowUs();
    handler.OnIrKey(TM_IR_DECODER_RC6, &epg);
    handler.OnIrKey(TM_IR_DECODER_RC6, &digit);
    handler.OnIrKey(TM_IR_DECODER_RC6, &unknown);
    gate.open();
    EXPECT_EQ(time.inner.nowUs() - before, 10'000); // only the digit's tap
    EXPECT_EQ(strokes(), ToString(Strokes("D63 P10 U63")));

    const auto lines = log.lines();
    // One line per report; the message's own "\r\n" precedes the line end.
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_NE(lines[0].find("] RC6 key data is 0x9C \r"), std::string::npos);
    EXPECT_NE(lines[2].find("] RC6 key data is 0x85 \r"), std::string::npos);
    EXPECT_NE(lines[4].find("] RC6 key data is 0x10C \r"), std::string::npos);
    EXPECT_TRUE(lines[1].empty() && lines[3].empty() && lines[5].empty());
}

TEST_F(KeyReportHandlerTest, Rc5AndNec24ProduceNothing) {
    userProfile("Movie");
    const tmIrRc5Report rc5{0x0C, 0x00, 1, 1};
    tmIrNec24Report nec24{};
    nec24.command = 0x84;
    handler.OnIrKey(TM_IR_DECODER_RC5, &rc5);
    handler.OnIrKey(TM_IR_DECODER_NEC24, &nec24);
    handler.OnIrKey(7, &nec24);
    handler.OnIrKey(TM_IR_DECODER_NEC, nullptr);
    EXPECT_TRUE(out.take().empty());
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(time.inner.nowUs(), 0);
}

TEST_F(KeyReportHandlerTest, ProcessWideGateIsOpenAtStart) {
    EXPECT_TRUE(g_hKeyGate.isOpen());
    KeyReportHandler global(out, owner.view());
    nec(0x81); // own gate
    const auto r = Nec(0x82);
    global.OnIrKey(TM_IR_DECODER_NEC, &r);
    EXPECT_TRUE(g_hKeyGate.isOpen());
    EXPECT_EQ(strokes(), ToString(Strokes("D26 P10 U26 D27 P10 U27")));
}

// The window thread republishes selection and bindings while keys arrive on
// another thread; every key must see one whole snapshot (run under TSan).
TEST_F(KeyReportHandlerTest, SelectionAndBindingsChangeWhileKeysArrive) {
    constexpr int kKeys = 400;
    std::atomic<bool> stop{false};
    KeyBindings initial{};
    for (auto& binding : initial) binding = KeyBinding{0, 0, 0, 0x41, 0};
    owner.setBindings(initial);
    owner.selectProfile(1, "Even");
    std::thread window([&] {
        for (std::uint32_t k = 0; !stop.load(); ++k) {
            KeyBindings b{};
            for (auto& binding : b) binding = KeyBinding{static_cast<std::uint8_t>(k % 2), 0, 0, 0x41 + k % 26, 0};
            owner.setBindings(b);
            owner.selectProfile(1 + static_cast<std::int32_t>(k % 3), k % 2 ? "Odd" : "Even");
        }
    });
    const auto epg = Rc6(0x9C);
    std::thread keys([&] {
        for (int i = 0; i < kKeys; ++i) {
            nec(0x9C);
            handler.OnIrKey(TM_IR_DECODER_RC6, &epg);
        }
    });
    keys.join();
    stop = true;
    window.join();

    // Every sequence is one binding: Ctrl exactly when the letter is odd.
    const auto events = out.take();
    std::size_t i = 0, sequences = 0;
    while (i < events.size()) {
        const bool ctrl = events[i].kind == KeyEvent::Down && events[i].value == 0x11;
        const std::size_t keyAt = ctrl ? i + 2 : i;
        ASSERT_LT(keyAt + 2, events.size());
        const std::uint32_t vk = events[keyAt].value;
        ASSERT_GE(vk, 0x41u);
        ASSERT_LE(vk, 0x5Au);
        EXPECT_EQ(ctrl, (vk - 0x41) % 2 == 1) << "torn snapshot at event " << i;
        EXPECT_EQ(events[keyAt + 2], (KeyEvent{KeyEvent::Up, vk}));
        i = keyAt + 3 + (ctrl ? 2 : 0);
        ++sequences;
    }
    EXPECT_EQ(sequences, 2u * kKeys);
}

} // namespace

namespace {

TEST_F(KeyReportHandlerTest, CardButtonsReachTheButtonSinkWithTheirRepeats) {
    test::RecordingButtons buttons;
    handler.SetButtonSink(&buttons);
    auto send = [&](std::uint16_t address, std::uint8_t command, std::uint32_t repeat) {
        tmIrNecReport r = Nec(command, repeat);
        r.address = address;
        handler.OnIrKey(TM_IR_DECODER_NEC, &r);
    };
    send(0xFB04, 0x81, 0);
    send(0xFB04, 0x81, 1);
    gate.tryTake(); // a key in progress drops the stroke, not the button
    send(0xFB04, 0x81, 1);
    gate.open();
    send(0x7F80, 0x81, 0); // another remote's address
    send(0xFB04, 0x00, 0); // no button of the card's remote
    handler.SetButtonSink(nullptr);
    send(0xFB04, 0x99, 0);
    EXPECT_EQ(buttons.lines, (std::vector<std::string>{"0000000000000481 00 Up Remorra\n",
                                                       "0000000000000481 01 Up Remorra\n",
                                                       "0000000000000481 02 Up Remorra\n"}));
    out.take();
}

} // namespace
