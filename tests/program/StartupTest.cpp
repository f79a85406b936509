#include "ProgramSupport.h"
#include "app/ChooseDevice.h"
#include "app/Config.h"
#include "app/RemorraApp.h"
#include "app/RemorraDlgCore.h"
#include "app/ShutdownRequest.h"
#include "platform/os/VirtualTimeService.h"
#include "platform/tuner/GPIO_Interface.h"
#include "platform/tuner/Interrupt_Interface.h"
#include "platform/tuner/IrCapture.h"
#include "platform/tuner/SimTunerCard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

using namespace remorra;
using remorra::tuner::SimRequest;
using remorra::tuner::SimTunerCard;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

struct RecordingView final : IRemorraDlgView {
    std::vector<std::string> calls;
    std::string title;
    void addAboutItem(const std::string& text) override { calls.push_back("about " + text); }
    void setupTray(const std::string& tip) override { calls.push_back("tray " + tip); }
    void setTitle(const std::string& t) override { title = t; calls.push_back("title"); }
    void restoreProfileSelection(int index) override { calls.push_back("profile " + std::to_string(index)); }
    void postMinimize() override { calls.push_back("minimize"); }
    void endDialog() override { calls.push_back("end"); }
};

// The chooser's own decisions over the names of a discovery like start-up's.
struct ScriptedChooser final : IChooseDeviceView {
    const discovery::ListDeviceSource* devices = nullptr;
    CChooseDeviceLogic logic;
    bool ok = true;
    int select = 0;
    int runs = 0;
    std::vector<CChooseDeviceLogic::Entry> shown;
    bool run() override
    {
        ++runs;
        std::vector<std::string> names;
        for (const auto& d : devices->devices)
            names.push_back(d.friendlyName);
        logic.OnInitDialog(names);
        shown = logic.entries();
        if (!ok)
            return false;
        if (!shown.empty())
            logic.Select(select);
        logic.OnOK();
        return true;
    }
    int chosenIndex() const override { return logic.chosenIndex(); }
    int listedCount() const override { return logic.listedCount(); }
};

struct NecSink final : CIR_DecoderCallback {
    std::atomic<int> count{0};
    std::atomic<int> lastCommand{-1};
    void OnIrKey(std::int32_t type, const void* report) override
    {
        if (type != TM_IR_DECODER_NEC)
            return;
        lastCommand.store(static_cast<const tmIrNecReport*>(report)->command);
        count.fetch_add(1);
    }
};

struct Rig {
    test::IsolatedProgramEnv env;
    RecordingMessageBox box;
    RecordingView view;
    ScriptedChooser chooser;
    NecSink sink;
    discovery::ListDeviceSource devices;
    bool priorityGranted = false;
    std::unique_ptr<CRemorraDlgCore> dlg;
    Rig() { chooser.devices = &devices; }

    std::shared_ptr<SimTunerCard> addCard(const std::string& name, std::uint16_t id = 0x7231)
    {
        auto card = std::make_shared<SimTunerCard>(SimTunerCard::Options{id, 4});
        devices.devices.push_back({name, card});
        return card;
    }
    bool startHidden = false;
    bool start()
    {
        StartupServices s;
        s.startHidden = startHidden;
        s.devices = &devices;
        s.box = &box;
        s.chooser = &chooser;
        s.raisePriority = [this] { return priorityGranted; };
        s.keySink = &sink;
        dlg = std::make_unique<CRemorraDlgCore>(view, s);
        return dlg->OnInitDialog();
    }
    std::string config(const char* key) { return ReadConfigValue(ConfigFilePath(), "Config", key); }
};

} // namespace

TEST(Startup, CardAnsweringFirstIdGetsLayersPinAndDecoder)
{
    Rig rig;
    auto card = rig.addCard("Quorbel TV Tuner");
    ASSERT_TRUE(rig.start());

    EXPECT_THAT(rig.view.calls, ElementsAre("about &About Remorra...", "tray Windows Media Center IR For Quorbel",
                                            "title", "profile 0"));
    EXPECT_EQ(rig.view.title, "Remorra Version: 1.0.1.0 ");
    EXPECT_THAT(rig.box.shown, IsEmpty());
    EXPECT_THAT(rig.env.logMessages(), ElementsAre("m_wImplementationId 29233", "Interrupt Thread create success!",
                                                   "SetPriorityClass faild!"));
    EXPECT_EQ(card->accepted(SimRequest::Probe), 1);
    EXPECT_EQ(rig.dlg->ImplementationId(), 0x7231);
    EXPECT_EQ(card->directionMask(), 0x10u);
    EXPECT_EQ(card->directionValue(), 0x10u);
    ASSERT_NE(rig.dlg->Decoder(), nullptr);
    EXPECT_EQ(card->registrations(), 1u);
    EXPECT_EQ(rig.chooser.runs, 1);
    EXPECT_EQ(rig.config("bRememberDevice"), "0");

    // Shutdown leaves no registration with the driver and no layer.
    rig.dlg->Shutdown();
    EXPECT_EQ(card->registrations(), 0u);
    EXPECT_EQ(rig.dlg->InterruptLayer(), nullptr);
}

TEST(Startup, CardAnsweringNoIdProbes210TimesAndLeavesThePinAlone)
{
    Rig rig;
    rig.priorityGranted = true;
    auto card = rig.addCard("Quorbel TV Tuner", 0);
    ASSERT_TRUE(rig.start());
    EXPECT_THAT(rig.env.logMessages(), ElementsAre("m_wImplementationId 29023", "Could not find any suitable devices",
                                                   "Interrupt Thread create success!"));
    EXPECT_EQ(card->accepted(SimRequest::Probe) + card->refused(SimRequest::Probe), 210);
    EXPECT_EQ(rig.dlg->ImplementationId(), 0);
    EXPECT_NE(rig.dlg->GpioLayer(), nullptr);
    EXPECT_NE(rig.dlg->InterruptLayer(), nullptr);
    EXPECT_EQ(card->accepted(SimRequest::ChipPinDirection) + card->refused(SimRequest::ChipPinDirection), 0);
}

TEST(Startup, FilterWithoutControlOrWithoutFilterSkipsTheProbe)
{
    {
        Rig rig;
        auto card = rig.addCard("Quorbel TV Tuner");
        card->loseInterfaces(false, true);
        ASSERT_TRUE(rig.start());
        EXPECT_THAT(rig.env.logMessages(), ElementsAre("Could not find any suitable devices",
                                                       "Interrupt Thread create success!", "SetPriorityClass faild!"));
    }
    {
        Rig rig;
        rig.devices.devices.push_back({"Quorbel TV Tuner", nullptr});
        ASSERT_TRUE(rig.start());
        EXPECT_THAT(rig.env.logMessages(), ElementsAre("Could not find any suitable devices",
                                                       "No capture device found!", "SetPriorityClass faild!"));
        EXPECT_EQ(rig.dlg->GpioLayer(), nullptr);
        EXPECT_NE(rig.dlg->Decoder(), nullptr); // created, never ready
    }
}

TEST(Startup, DeviceProblemsEndTheDialog)
{
    struct Case {
        const char* what;
        std::vector<std::string> names;
        bool chooserOk;
        bool message;
    };
    const Case cases[] = {
        {"no device at all", {}, true, true},
        {"no Quorbel device listed", {"Other Tuner", "quorbel lower case"}, true, true},
        {"chooser cancelled", {"Quorbel TV Tuner"}, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        for (const auto& n : c.names)
            rig.addCard(n);
        rig.chooser.ok = c.chooserOk;
        EXPECT_FALSE(rig.start());
        EXPECT_EQ(rig.view.calls.back(), "end");
        ASSERT_EQ(rig.box.shown.size(), c.message ? 1u : 0u);
        if (c.message) {
            EXPECT_EQ(rig.box.shown[0].text, "Could not find Quorbel Product");
            EXPECT_EQ(rig.box.shown[0].caption, "Info");
            EXPECT_EQ(rig.box.shown[0].icon, MsgIcon::Error);
        }
        EXPECT_EQ(rig.dlg->Decoder(), nullptr);
        EXPECT_EQ(rig.dlg->ChosenDevice(), nullptr);
        EXPECT_EQ(rig.chooser.runs, c.names.empty() ? 0 : 1);
    }
}

TEST(Startup, ChooserPicksByDiscoveryIndex)
{
    Rig rig;
    rig.addCard("Other Tuner");
    rig.addCard("Another One");
    auto third = rig.addCard("Quorbel Hybrid");
    ASSERT_TRUE(rig.start());
    ASSERT_EQ(rig.chooser.shown.size(), 1u);
    EXPECT_EQ(rig.chooser.shown[0].text, "2: Quorbel Hybrid");
    ASSERT_NE(rig.dlg->ChosenDevice(), nullptr);
    EXPECT_EQ(rig.dlg->ChosenDevice()->m_pCaptureFilter, third);
    EXPECT_THAT(rig.dlg->DeviceNames(), ElementsAre("0: Other Tuner", "1: Another One", "2: Quorbel Hybrid"));
}

TEST(Startup, RememberedDeviceMatchesOnlyWithItsIndex)
{
    {
        Rig rig;
        rig.env.writeConfig("[Config]\nbRememberDevice=1\nstrDevName=1: Quorbel B\n");
        rig.addCard("Quorbel A");
        auto second = rig.addCard("Quorbel B");
        ASSERT_TRUE(rig.start());
        EXPECT_EQ(rig.chooser.runs, 0);
        EXPECT_EQ(rig.dlg->ChosenDevice()->m_pCaptureFilter, second);
        EXPECT_EQ(rig.config("bRememberDevice"), "1");
    }
    {
        Rig rig;
        rig.env.writeConfig("[Config]\nbRememberDevice=1\nstrDevName=0: Quorbel B\n");
        rig.addCard("Quorbel A");
        rig.addCard("Quorbel B");
        ASSERT_TRUE(rig.start());
        EXPECT_EQ(rig.chooser.runs, 1);
        EXPECT_EQ(rig.config("bRememberDevice"), "0");
        EXPECT_EQ(rig.dlg->RememberDevice(), 0);
    }
}

// The log-in entry's --hidden goes to the tray as startandhide=1 does,
// without touching the setting.
TEST(Startup, StartAndHideOrHiddenSwitchPostsMinimiseAndProfileIndexIsRestored)
{
    const struct {
        const char* name;
        const char* startAndHide;
        bool hiddenSwitch;
        bool minimised;
    } cases[] = {
        {"startandhide=1", "1", false, true},
        {"--hidden", "0", true, true},
        {"both", "1", true, true},
        {"neither", "0", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.env.writeConfig(std::string("[Config]\nstartandhide=") + c.startAndHide + "\n[config]\nselectplayernumber=3\n");
        rig.addCard("Quorbel TV Tuner");
        rig.startHidden = c.hiddenSwitch;
        ASSERT_TRUE(rig.start());
        EXPECT_EQ(rig.dlg->StartsHidden(), c.minimised);
        EXPECT_EQ(rig.view.calls.back() == "minimize", c.minimised);
        EXPECT_EQ(rig.view.calls[rig.view.calls.size() - (c.minimised ? 2 : 1)], "profile 3");
        EXPECT_EQ(rig.config("startandhide"), c.startAndHide);
    }
}

// Options confirmed in a run whose device came from the remembered setting
// keep that setting instead of writing the chooser's untouched defaults.
TEST(Startup, OptionsRememberTheDeviceInUse)
{
    struct Confirm final : IOptionDlgView {
        OptionDlgResult run(const StartOptions&) override { return {true, {0, 1}}; }
    } confirm;
    Rig rig;
    rig.env.writeConfig("[Config]\nbRememberDevice=1\nstrDevName=1: Quorbel B\n");
    rig.addCard("Quorbel A");
    rig.addCard("Quorbel B");
    ASSERT_TRUE(rig.start());
    ASSERT_TRUE(rig.dlg->RunOptions(confirm));
    EXPECT_EQ(rig.config("strDevName"), "1: Quorbel B");
    EXPECT_EQ(rig.config("TunerType"), "1");
}

TEST(Startup, PipelineDeliversNecKeysFromTheCard)
{
    os::VirtualTimeService clock;
    os::ScopedTimeService useClock(clock);
    Rig rig;
    auto card = rig.addCard("Quorbel TV Tuner");
    ASSERT_TRUE(rig.start());
    card->load(tuner::encodeNec(0xFB04, 0x81, 1, false, {}), clock.nowTicks() + clock.frequency() / 10);
    card->replay(clock);
    EXPECT_EQ(rig.sink.count.load(), 1);
    EXPECT_EQ(rig.sink.lastCommand.load(), 0x81);
    rig.dlg.reset();
}

TEST(Application, SecondCopyReportsAndNeverRunsTheDialog)
{
    struct Lock final : IInstanceLock {
        bool free = true;
        bool acquire() override { return free; }
    } lock;
    RecordingMessageBox box;
    int runs = 0;
    CRemorraApp app(lock, box, [&] { ++runs; });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(runs, 1);
    EXPECT_THAT(box.shown, IsEmpty());

    lock.free = false;
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(runs, 1);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, "Remorra is runing!");
    EXPECT_EQ(box.shown[0].buttons, MsgButtons::Ok);
}

// A request that comes before anyone can act on it (a box, start-up) is kept
// and answered as soon as a responder is set; it is logged once.
TEST(Application, ShutdownRequestIsKeptUntilSomeoneResponds)
{
    test::IsolatedProgramEnv env;
    app::ShutdownRequest shutdown;
    shutdown.logEnd(); // nothing asked, nothing logged
    shutdown.request("SIGTERM");
    shutdown.request("SIGINT");
    EXPECT_TRUE(shutdown.requested());
    int responses = 0;
    shutdown.setResponder([&] { ++responses; });
    EXPECT_EQ(responses, 1);
    shutdown.request("SIGHUP");
    EXPECT_EQ(responses, 2);
    shutdown.setResponder({});
    shutdown.request("SIGTERM");
    EXPECT_EQ(responses, 2);
    shutdown.logEnd();
    EXPECT_THAT(env.logMessages(), ElementsAre("Shutdown requested (SIGTERM)", "Shutdown complete"));
}

// A key is handled on the interrupt thread inside the front end's callback
// (strokes, then the hold-off); shutdown must wait for it before the front
// end goes, or the callback returns into freed memory.
TEST(Startup, ShutdownWaitsForAKeyBeingHandled)
{
    struct SlowSink final : CIR_DecoderCallback {
        std::mutex m;
        std::condition_variable cv;
        bool entered = false;
        std::atomic<bool> finished{false};
        const SimTunerCard* card = nullptr;
        std::atomic<int> registrationsAtEnd{-1};
        void OnIrKey(std::int32_t, const void*) override
        {
            {
                std::lock_guard l(m);
                entered = true;
            }
            cv.notify_all();
            std::this_thread::sleep_for(std::chrono::milliseconds(30)); // the key's work
            // Still registered: the front end that called us has not gone yet.
            registrationsAtEnd.store(static_cast<int>(card->registrations()));
            finished.store(true);
        }
    } sink;
    // The card replays in virtual time on a thread of its own, so the key
    // arrives while this thread is free to shut down.
    os::VirtualTimeService clock;
    os::ScopedTimeService useClock(clock);
    Rig rig;
    auto card = rig.addCard("Quorbel TV Tuner");
    sink.card = card.get();
    StartupServices s;
    s.devices = &rig.devices;
    s.box = &rig.box;
    s.chooser = &rig.chooser;
    s.keySink = &sink;
    rig.dlg = std::make_unique<CRemorraDlgCore>(rig.view, s);
    ASSERT_TRUE(rig.dlg->OnInitDialog());
    card->load(tuner::encodeNec(0xFB04, 0x81, 1, false, {}), clock.nowTicks() + clock.frequency() / 20);
    std::thread player([&] { card->replay(clock); });
    bool entered = false;
    {
        std::unique_lock l(sink.m);
        entered = sink.cv.wait_for(l, std::chrono::seconds(10), [&] { return sink.entered; });
    }
    EXPECT_TRUE(entered) << "the key never reached the sink";
    rig.dlg->Shutdown();
    if (entered) {
        EXPECT_TRUE(sink.finished.load());
        EXPECT_EQ(sink.registrationsAtEnd.load(), 1);
    }
    player.join();
}
