// The editor's published view drives the key handler: what the window shows
// selected and applied is what a remote key sends.
#include "app/Config.h"
#include "app/ProfileEditor.h"
#include "keys/KeyReportHandler.h"
#include "platform/os/Files.h"
#include "platform/os/VirtualTimeService.h"
#include "TestDocs.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace remorra;

namespace {
struct ProfileToKeys : ::testing::Test {
    test::TempDocuments docs;
    os::VirtualTimeService time;
    os::ScopedTimeService scoped{time};
    RecordingMessageBox box;
    keys::ProfileViewCell view;
    ProfileViewPublisher publisher{view};
    CProfileEditor ed{box, "Remorra"};
    keys::RecordingKeyOutput out;
    keys::KeyGate gate;
    keys::KeyReportHandler handler{out, view, gate};

    void SetUp() override {
        ed.SetPublisher(&publisher);
        ASSERT_TRUE(ed.NewProfile(std::string("Movie")));
        ASSERT_TRUE(ed.NewProfile(std::string("Windows Media Center")));
    }
    int entry(const char* name) {
        for (std::size_t i = 0; i < ed.entries().size(); ++i)
            if (ed.entries()[i] == name) return static_cast<int>(i);
        return -2;
    }
    std::string press(std::uint8_t command) {
        tmIrNecReport r{};
        r.address = 0x7F80;
        r.command = command;
        handler.OnIrKey(TM_IR_DECODER_NEC, &r);
        return keys::ToString(out.take());
    }
};

const char* kCtrlAltP = "down 0x11\npause 10\ndown 0x12\npause 10\ndown 0x50\npause 10\nup 0x50\n"
                        "up 0x11\npause 10\nup 0x12\npause 10\n";
const char* kStartMediaCenter = "down 0x5B\npause 10\ndown 0x12\npause 10\ndown 0x0D\npause 10\nup 0x5B\n"
                                "pause 10\nup 0x0D\npause 10\nup 0x12\n";
} // namespace

TEST_F(ProfileToKeys, PowerSendsWhatTheSelectedEntryApplied) {
    ed.SelectProfileAt(entry("Movie"));
    ed.keys.m_slots[keys::SlotPower].field = {0x50, HOTKEYF_CONTROL_BIT | HOTKEYF_ALT_BIT, true};
    EXPECT_EQ(press(0x84), "") << "an edited field counts only once applied";
    ed.ApplyKeys();
    EXPECT_EQ(press(0x84), kCtrlAltP);

    ed.SelectProfileAt(0);
    EXPECT_EQ(press(0x84), kStartMediaCenter);

    ed.SelectProfileAt(entry("Windows Media Center"));
    EXPECT_EQ(press(0x84), kStartMediaCenter) << "this profile's Power toggles Media Center";

    // Saved, reselected, deleted: the bindings stay in force with no selection.
    ed.SelectProfileAt(entry("Movie"));
    ed.keys.m_slots[keys::SlotPower].field = {0x50, HOTKEYF_CONTROL_BIT | HOTKEYF_ALT_BIT, true};
    ASSERT_TRUE(ed.SaveProfile());
    ed.SelectProfileAt(0);
    ed.SelectProfileAt(entry("Movie"));
    EXPECT_EQ(press(0x84), kCtrlAltP);
    ASSERT_TRUE(ed.DeleteProfile());
    EXPECT_EQ(view.load().m_nSelected, -1);
    EXPECT_EQ(press(0x84), kCtrlAltP);
    EXPECT_FALSE(fs::exists(ProfileFolder() + "Movie.xml"));
}

TEST_F(ProfileToKeys, ReplaySnapshotMatchesTheEditorsApply) {
    const std::string path = ProfileFolder() + "Movie.xml";
    ed.SelectProfileAt(entry("Movie"));
    ed.keys.m_slots[keys::SlotPower].field = {0x50, HOTKEYF_CONTROL_BIT | HOTKEYF_ALT_BIT, true};
    ASSERT_TRUE(ed.SaveProfile());

    keys::ProfileSnapshot s;
    ASSERT_TRUE(LoadProfileSnapshot(path, box, s));
    EXPECT_EQ(s.m_nSelected, 1);
    EXPECT_TRUE(s.selectedTextIs("Movie"));
    EXPECT_EQ(s.m_bindings, ed.AppliedBindings());

    EXPECT_FALSE(LoadProfileSnapshot(ProfileFolder() + "None.xml", box, s));
    ASSERT_EQ(box.shown.size(), 1u) << "one report, not one per key";
    EXPECT_EQ(box.shown[0].text, "Load Config error!");
}
