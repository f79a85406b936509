// Soak: the simulated card plays NEC key presses in real time through the
// layers, the front end and the key report handler into a recording output,
// while a window-side thread switches profiles, edits and applies bindings
// and saves, every few milliseconds. Every key report must send strokes of
// one binding that some published set really held, never the modifiers of
// one and the key of another.
#include "LivePipeline.h"
#include "ScratchFolder.h"
#include "app/Config.h"
#include "app/ProfileEditor.h"
#include "keys/KeyDispatch.h"
#include "keys/KeyOutput.h"
#include "keys/KeyReportHandler.h"
#include "keys/ProfileView.h"
#include "keys/VirtualKeys.h"
#include "keys/XMLParse.h"
#include "platform/os/TimeService.h"
#include "platform/tuner/IrCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <span>
#include <array>
#include <algorithm>
#include <string>
#include <thread>
#include <vector>

using namespace remorra;
using namespace remorra::keys;
using namespace std::chrono_literals;

namespace {

// Remote codes the presses use, each tied to a slot with a plain binding.
struct Button {
    std::uint8_t command;
    KeySlotIndex slot;
};
constexpr Button kButtons[] = {
    {0x94, SlotMute}, {0x91, SlotCHLDown}, {0x96, SlotCHLUp}, {0xDE, SlotPlay}, {0xDC, SlotStop},
};
constexpr int kButtonCount = static_cast<int>(std::size(kButtons));

// A label names one whole set of bindings. Each (label, button) has a key
// code of its own and each label its own modifiers, so the key identifies
// the label and the modifiers must then agree: a binding torn between two
// sets shows.
constexpr int kLabels = 6;
constexpr std::uint8_t kCodes[] = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O',
                                   'P', 'Q', 'R', 'S', 'T', 'U', 'V', 'W', 'X', 'Y', 'Z', '0', '1', '2', '3'};
static_assert(std::size(kCodes) >= kLabels * kButtonCount);
std::uint32_t labelModifiers(int label) { return static_cast<std::uint32_t>(label % 7 + 1); } // never none

void setLabel(CProfileKeys& keys, int label)
{
    for (std::size_t s = 0; s < kKeySlotCount; ++s)
        keys.m_slots[s].field = {kCodes[(label * kButtonCount) % std::size(kCodes)], labelModifiers(label), true};
    for (int b = 0; b < kButtonCount; ++b)
        keys.m_slots[kButtons[b].slot].field.virtualKey = kCodes[label * kButtonCount + b];
}

// One report's strokes decoded back into modifiers and key.
struct Seen {
    bool ok = false;
    std::uint32_t modifiers = 0;
    std::uint32_t key = 0;
};

Seen parseBinding(std::span<const KeyEvent> ev)
{
    Seen s;
    std::size_t i = 0;
    auto modBit = [](std::uint32_t vk) -> std::uint32_t {
        if (vk == VkShift)
            return HOTKEYF_SHIFT_BIT;
        if (vk == VkControl)
            return HOTKEYF_CONTROL_BIT;
        return vk == VkMenu ? std::uint32_t{HOTKEYF_ALT_BIT} : 0u;
    };
    std::uint32_t downs[3];
    std::size_t nDowns = 0;
    for (; i < ev.size(); ++i) {
        if (ev[i].kind == KeyEvent::Pause)
            continue;
        if (ev[i].kind != KeyEvent::Down)
            return s;
        const std::uint32_t bit = modBit(ev[i].value);
        if (!bit)
            break;
        s.modifiers |= bit;
        if (nDowns == 3)
            return s;
        downs[nDowns++] = ev[i].value;
    }
    if (i >= ev.size())
        return s;
    s.key = ev[i].value;
    std::size_t nUps = 0;
    for (++i; i < ev.size(); ++i)
        if (ev[i].kind == KeyEvent::Up && ev[i].value != s.key) {
            // Released in the order pressed.
            if (nUps >= nDowns || ev[i].value != downs[nUps])
                return s;
            ++nUps;
        } else if (ev[i].kind == KeyEvent::Down) {
            return s;
        }
    s.ok = nUps == nDowns;
    return s;
}

// Records one report's strokes into fixed storage: the interrupt thread must
// not allocate, or it can wait on the window thread's heap work (a page
// fault behind a preempted lock holder) long enough to miss a whole press.
class FixedRecordingOutput final : public IKeyOutput {
public:
    void keyDown(std::uint8_t vk) override { add({KeyEvent::Down, vk}); }
    void keyUp(std::uint8_t vk) override { add({KeyEvent::Up, vk}); }
    void pause(std::uint32_t ms) override
    {
        os::timeService().sleepMs(ms);
        add({KeyEvent::Pause, ms});
    }
    bool windowExists(const char*) override { return false; }
    const char* backendName() const override { return "fixed"; }

    std::span<const KeyEvent> events() const { return {m_events.data(), m_count}; }
    void clear() { m_count = 0; }

private:
    void add(KeyEvent e)
    {
        if (m_count < m_events.size())
            m_events[m_count++] = e;
    }
    std::array<KeyEvent, 64> m_events{};
    std::size_t m_count = 0;
};

// Sits where the main window forwards OnIrKey and cuts the output into one
// stroke list per report, on the interrupt thread.
class ReportChecker final : public CIR_DecoderCallback {
public:
    ReportChecker(KeyReportHandler& handler, FixedRecordingOutput& out, std::map<std::uint8_t, std::vector<KeyEvent>> mce)
        : m_handler(handler), m_out(out), m_mce(std::move(mce))
    {
    }

    void OnIrKey(std::int32_t type, const void* report) override
    {
        m_out.clear();
        m_handler.OnIrKey(type, report);
        const std::span<const KeyEvent> ev = m_out.events();
        if (type != TM_IR_DECODER_NEC)
            return;
        reports.fetch_add(1);
        const std::uint8_t command = static_cast<const tmIrNecReport*>(report)->command;
        if (ev.empty()) {
            empty.fetch_add(1);
            return;
        }
        const auto& mce = m_mce.at(command);
        if (std::equal(ev.begin(), ev.end(), mce.begin(), mce.end())) {
            mediaCenter.fetch_add(1);
            return;
        }
        const Seen s = parseBinding(ev);
        int label = -1, button = -1;
        for (int b = 0; b < kButtonCount; ++b)
            if (kButtons[b].command == command)
                button = b;
        for (int l = 0; l < kLabels; ++l)
            if (kCodes[l * kButtonCount + button] == s.key)
                label = l;
        if (!s.ok || label < 0 || labelModifiers(label) != s.modifiers) {
            inconsistent.fetch_add(1);
            if (firstBad.empty())
                firstBad = ToString(std::vector<KeyEvent>(ev.begin(), ev.end()));
            return;
        }
        byLabel[label].fetch_add(1);
    }

    std::atomic<int> reports{0}, empty{0}, mediaCenter{0}, inconsistent{0};
    std::atomic<int> byLabel[kLabels] = {};
    std::string firstBad; // interrupt thread only until shutdown

private:
    KeyReportHandler& m_handler;
    FixedRecordingOutput& m_out;
    std::map<std::uint8_t, std::vector<KeyEvent>> m_mce;
};

double soakSeconds()
{
    const char* s = std::getenv("REMORRA_SOAK_SECONDS");
    return s && *s ? std::atof(s) : 20.0;
}

} // namespace

TEST(Soak, KeysDuringProfileSwitchesEditsAndSavesComeFromOneBindingSet)
{
    test::ScratchFolder docs;
    RecordingMessageBox box;
    CProfileEditor ed(box, "Remorra");
    const char* names[] = {"Alpha", "Beta", "Gamma"};
    for (int p = 0; p < 3; ++p) {
        ASSERT_TRUE(ed.NewProfile(std::string(names[p])));
        ed.SelectProfileAt(ed.FindString(names[p]));
        setLabel(ed.keys, p);
        ASSERT_TRUE(ed.SaveProfile());
    }
    // The editor publishes each change as one snapshot, as the main window wires it.
    ProfileViewCell view;
    ProfileViewPublisher publisher(view);
    ed.SetPublisher(&publisher);
    ed.SelectProfileAt(0);

    std::map<std::uint8_t, std::vector<KeyEvent>> mce;
    {
        RecordingKeyOutput probe;
        for (const Button& b : kButtons) {
            char code[16];
            FormatKeyCodeText(b.command, code, sizeof code);
            DispatchMediaCenterKey(code, probe);
            mce[b.command] = probe.take();
        }
    }

    // Presses: frame, one repeat code, then a gap long enough for the
    // handler's strokes and hold-off, during which the interrupt thread
    // takes no edge.
    const double seconds = soakSeconds();
    tuner::EncodeOptions o;
    o.gapMs = 250;
    tuner::Timeline t;
    std::mt19937 rng(11);
    const int presses = static_cast<int>(seconds * 1000 / 370);
    for (int p = 0; p < presses; ++p) {
        const auto press = tuner::encodeNec(0xFB04, kButtons[rng() % kButtonCount].command, 1, false, o);
        if (t.size() % 2)
            t.push_back(o.gapMs * 1000);
        t.insert(t.end(), press.begin(), press.end());
    }

    FixedRecordingOutput out;
    KeyGate gate;
    KeyReportHandler handler(out, view, gate);
    ReportChecker checker(handler, out, mce);
    tuner::SimTunerCard card;
    test::LivePipeline pipeline(card, checker);
    card.load(t, os::timeService().counter() + os::timeService().frequency() / 50);
    card.startPlayer();

    std::atomic<bool> stop{false};
    std::atomic<int> switches{0}, edits{0}, saves{0}, saveFailures{0};
    std::thread window([&] {
        std::mt19937 r(3);
        while (!stop.load()) {
            switch (r() % 4) {
            case 0:
            case 1: // switch, the built-in entry included
                ed.SelectProfileAt(static_cast<int>(r() % ed.entries().size()));
                switches.fetch_add(1);
                break;
            case 2: // edit every field, apply
                if (ed.selection() > 0) {
                    setLabel(ed.keys, static_cast<int>(r() % kLabels));
                    ed.ApplyKeys();
                    edits.fetch_add(1);
                }
                break;
            default:
                if (ed.selection() > 0) {
                    saveFailures.fetch_add(ed.SaveProfile() ? 0 : 1);
                    saves.fetch_add(1);
                }
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1 + r() % 4));
        }
    });

    card.joinPlayer();
    stop.store(true);
    window.join();
    pipeline.shutdown();

    std::printf("soak %.0f s: %d presses, %d reports (%d media center, %d empty, %d inconsistent); "
                "window: %d switches, %d edits, %d saves\n",
                seconds, presses, checker.reports.load(), checker.mediaCenter.load(), checker.empty.load(),
                checker.inconsistent.load(), switches.load(), edits.load(), saves.load());
    EXPECT_EQ(checker.inconsistent.load(), 0) << "first mixed report:\n" << checker.firstBad;
    EXPECT_EQ(saveFailures.load(), 0);
    EXPECT_TRUE(box.shown.empty()) << box.shown.front().text;
    int labelsSeen = 0;
    for (const auto& n : checker.byLabel)
        labelsSeen += n.load() > 0;
    // Enough keys arrived to mean something, through both dispatchers. How
    // many presses decode in real time depends on the machine's load (the
    // real-time benchmark measures that); this run checks what arrives, and
    // tolerates losing two presses in three (the runs in docs/reliability.md
    // lost up to half, under TSan).
    const int lostTolerated = presses * 2 / 3;
    EXPECT_GE(checker.reports.load(), std::max(5, presses - lostTolerated))
        << presses - checker.reports.load() << " of " << presses << " presses lost (tolerated: " << lostTolerated
        << ")";
    EXPECT_GT(checker.mediaCenter.load(), 0);
    EXPECT_GE(labelsSeen, 2);
    // Every saved profile is still a whole document.
    for (const char* n : names) {
        XMLParse xml;
        EXPECT_TRUE(xml.Load((ProfileFolder() + n + ".xml").c_str())) << n;
    }
}
