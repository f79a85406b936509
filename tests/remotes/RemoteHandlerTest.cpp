#include "../keys/KeyTestUtil.h"
#include "keys/KeyOutput.h"
#include "keys/RemoteReportHandler.h"
#include "platform/os/VirtualTimeService.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

using namespace remorra;
using namespace remorra::keys;

namespace {

// Today's handler as the translating one sees it: the reports it passes on.
class RecordingNext final : public CIR_DecoderCallback {
public:
    struct Seen {
        std::int32_t type;
        std::uint32_t command; // NEC command, RC6 information
        std::uint32_t repeat;
        std::int64_t ms;
        std::thread::id thread;
    };
    void OnIrKey(std::int32_t type, const void* report) override {
        Seen s{type, 0, 0, NowMs(), std::this_thread::get_id()};
        if (type == TM_IR_DECODER_NEC) {
            const auto& r = *static_cast<const tmIrNecReport*>(report);
            s.command = r.command, s.repeat = r.repeat;
        } else if (type == TM_IR_DECODER_RC6) {
            s.command = static_cast<const tmIrRc6Report*>(report)->information;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_seen.push_back(s);
        m_changed.notify_all();
    }
    std::vector<Seen> seen() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_seen;
    }
    bool waitFor(std::size_t n) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_seen.size() >= n; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Seen> m_seen;
};

std::vector<std::string> g_log;
void Log(const char* line) { g_log.push_back(line); }

const char* kMap = R"([[protocols]]
name = "tv"
protocol = "nec"
variant = "necx"
[protocols.scancodes]
0x866b12 = "KEY_UP"
0x866b13 = "KEY_A"
0x866b14 = "KEY_TV"
[[protocols]]
name = "mce"
protocol = "rc6"
variant = "rc6_mce"
[protocols.scancodes]
0x800f0422 = "KEY_OK"
)";

tmIrNecReport Necx(std::uint8_t command, bool repeat) {
    tmIrNecReport r{};
    r.address = 0x6B86, r.command = command, r.repeat = repeat ? 1 : 0;
    return r;
}

tmIrRc6Report MceOk(bool toggle) { return {0x1C800F, 0, static_cast<std::uint16_t>(toggle ? 0x8422 : 0x0422)}; }

class RemoteHandler : public testing::Test {
protected:
    void SetUp() override {
        RemoteMap map;
        ASSERT_EQ(ParseRemoteMap(kMap, "tv.toml", map).status, MapStatus::Ok);
        maps.publish(std::make_unique<KeymapTable>(std::vector<RemoteMap>{map}));
        g_log.clear();
    }
    os::VirtualTimeService clock;
    os::ScopedTimeService useClock{clock};
    PublishedKeymaps maps;
    RecordingNext next;
    RecordingKeyOutput out;
    KeyGate gate;
    RemoteReportHandler handler{next, out, maps, gate, Log};
};

} // namespace

TEST_F(RemoteHandler, TranslatesIntoTheCardRemotesKeyPath) {
    const tmIrNecReport up = Necx(0x12, false), a = Necx(0x13, false), tv = Necx(0x14, false);
    tmIrNecReport card{};
    card.address = 0xFB04, card.command = 0x81;
    handler.OnIrKey(TM_IR_DECODER_NEC, &up);   // a card button: the card remote's Up
    handler.OnIrKey(TM_IR_DECODER_NEC, &card); // no map knows it: unchanged
    handler.OnIrKey(TM_IR_DECODER_NEC, &a);    // a keyboard key, sent here
    handler.OnIrKey(TM_IR_DECODER_NEC, &tv);   // no key at all: one log line
    handler.OnIrKey(TM_IR_DECODER_NEC, &tv);
    const std::vector<RecordingNext::Seen> seen = next.seen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].command, 0x81u);
    EXPECT_EQ(seen[1].command, 0x81u);
    EXPECT_EQ(out.take(), test::Strokes("D41 P10 U41"));
    EXPECT_EQ(g_log, std::vector<std::string>{"Remote key KEY_TV sends nothing"});
    EXPECT_TRUE(gate.isOpen());
}

TEST_F(RemoteHandler, RepeatControlInVirtualTime) {
    struct Case {
        RepeatSettings settings;
        std::vector<std::int64_t> passed;
    } cases[] = {
        {{0, 0}, {0, 108, 216, 324, 432, 540, 648, 756, 864, 972}}, // as today
        {{300, 200}, {0, 324, 540, 756, 972}},
        {{0, 250}, {0, 108, 432, 756}},
        {{500, 0}, {0, 540, 648, 756, 864, 972}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.settings.delayMs << "/" << k.settings.periodMs);
        RecordingNext seen;
        RemoteReportHandler h(seen, out, maps, gate);
        h.setRepeatSettings(k.settings);
        const std::int64_t t0 = NowMs();
        for (int i = 0; i < 10; ++i) {
            const tmIrNecReport r = Necx(0x12, i > 0);
            h.OnIrKey(TM_IR_DECODER_NEC, &r);
            clock.advanceMs(108);
        }
        std::vector<std::int64_t> passed;
        for (const auto& s : seen.seen()) passed.push_back(s.ms - t0);
        EXPECT_EQ(passed, k.passed);
        EXPECT_EQ(seen.seen()[1].repeat, 1u);
    }
}

TEST_F(RemoteHandler, ToggleTellsANewPressFromAHeldOne) {
    handler.setRepeatSettings({300, 0});
    const std::int64_t t0 = NowMs();
    // Held (same toggle), a new press (toggle flips), held again, then the
    // same toggle after a silence: toggles were missed, so a new press.
    const struct { std::int64_t at; bool toggle; } frames[] = {
        {0, false}, {110, false}, {220, false}, {330, true}, {440, true}, {1000, true}, {1110, true}};
    for (const auto& f : frames) {
        clock.advanceTo(clock.nowTicks() + (t0 + f.at - NowMs()) * clock.frequency() / 1000);
        const tmIrRc6Report r = MceOk(f.toggle);
        handler.OnIrKey(TM_IR_DECODER_RC6, &r);
    }
    std::vector<std::int64_t> passed;
    for (const auto& s : next.seen()) {
        EXPECT_EQ(s.command, 0x99u); // KEY_OK is the card remote's OK
        passed.push_back(s.ms - t0);
    }
    EXPECT_EQ(passed, (std::vector<std::int64_t>{0, 330, 1000}));
}

TEST_F(RemoteHandler, TimerReportsGoToTheKeyThread) {
    ASSERT_TRUE(handler.startKeyThread());
    const tmIrRc6Report ok = MceOk(false), unknown{0x1C800F, 0, 0x0401};
    handler.OnIrKey(TM_IR_DECODER_RC6, &unknown); // today's path, on the reporting thread
    handler.OnIrKey(TM_IR_DECODER_RC6, &ok);
    ASSERT_TRUE(next.waitFor(2));
    handler.stopKeyThread();
    const std::vector<RecordingNext::Seen> seen = next.seen();
    EXPECT_EQ(seen[0].type, TM_IR_DECODER_RC6);
    EXPECT_EQ(seen[0].thread, std::this_thread::get_id());
    EXPECT_EQ(seen[1].type, TM_IR_DECODER_NEC);
    EXPECT_NE(seen[1].thread, std::this_thread::get_id());
}

TEST_F(RemoteHandler, AListenerTakesEveryCodeAndNothingIsSent) {
    struct Listener final : IIrCodeListener {
        void onIrCode(const IrCode& c) override { codes.push_back(c); }
        std::vector<IrCode> codes;
    } listener;
    handler.setListener(&listener);
    const tmIrNecReport up = Necx(0x12, false);
    tmIrNecReport card{};
    card.address = 0xFB04, card.command = 0x81;
    handler.OnIrKey(TM_IR_DECODER_NEC, &up);
    handler.OnIrKey(TM_IR_DECODER_NEC, &card);
    EXPECT_TRUE(next.seen().empty());
    ASSERT_EQ(listener.codes.size(), 2u);
    EXPECT_EQ(listener.codes[0].protocol, IrProtocol::Necx);
    EXPECT_EQ(listener.codes[1].scancode, 0x0481u);
}

// For TSan: NEC reports on one thread, RC6 reports on another (the timer's),
// the key thread, and the window thread publishing new maps meanwhile.
TEST_F(RemoteHandler, ReportsWhileMapsAreRepublished) {
    ASSERT_TRUE(handler.startKeyThread());
    std::atomic<bool> stop{false};
    auto reporter = [&](std::int32_t type) {
        const tmIrNecReport up = Necx(0x12, false);
        const tmIrRc6Report ok = MceOk(false);
        for (int i = 0; i < 2000 && !stop.load(); ++i) handler.OnIrKey(type, type == TM_IR_DECODER_NEC ? static_cast<const void*>(&up) : &ok);
    };
    std::thread nec(reporter, TM_IR_DECODER_NEC), rc6(reporter, TM_IR_DECODER_RC6);
    RemoteMap map;
    ASSERT_EQ(ParseRemoteMap(kMap, "tv.toml", map).status, MapStatus::Ok);
    for (int i = 0; i < 50; ++i) maps.publish(std::make_unique<KeymapTable>(std::vector<RemoteMap>{map}));
    nec.join();
    rc6.join();
    handler.stopKeyThread();
    EXPECT_GE(next.seen().size(), 2000u); // every NEC report, and what the key thread took
}

TEST_F(RemoteHandler, TranslatedButtonsReachLircClientsUnderTheirMapsName) {
    test::RecordingButtons buttons;
    RecordingKeyOutput cardOut;
    ProfileViewOwner view;
    KeyReportHandler card(cardOut, view.view(), gate);
    card.SetButtonSink(&buttons);
    RemoteReportHandler h(card, out, maps, gate);
    h.setButtonSink(&buttons);
    const tmIrNecReport up = Necx(0x12, false), held = Necx(0x12, true);
    h.OnIrKey(TM_IR_DECODER_NEC, &up);
    h.OnIrKey(TM_IR_DECODER_NEC, &held);
    // The card remote's Up it continues as is not heard a second time.
    EXPECT_EQ(buttons.lines, (std::vector<std::string>{"0000000000866b12 00 KEY_UP tv\n",
                                                       "0000000000866b12 01 KEY_UP tv\n"}));
    EXPECT_TRUE(gate.isOpen());
}
