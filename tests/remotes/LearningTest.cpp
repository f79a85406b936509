#include "../config/TestDocs.h"
#include "app/Config.h"
#include "app/RemoteLearning.h"
#include "app/RemoteMaps.h"
#include "platform/os/Files.h"

#include <gtest/gtest.h>

using namespace remorra;
using keys::IrCode;
using keys::IrProtocol;

namespace {

class RecordingView final : public IRemoteLearningView {
public:
    void showCode(const LearnedCodeRow& row) override { codes.push_back(row.text + (row.boundTo.empty() ? "" : " = " + row.boundTo)); }
    void showButtons(const std::vector<RemoteButtonRow>& rows) override { buttons = rows; }
    void showStatus(const std::string& text) override { status = text; }
    void codesPending() override { ++pending; }
    std::string binding(const std::string& key) const {
        for (const RemoteButtonRow& r : buttons)
            if (r.keyName == key) return r.binding;
        return "(not listed)";
    }
    std::vector<std::string> codes;
    std::vector<RemoteButtonRow> buttons;
    std::string status;
    int pending = 0;
};

IrCode Code(IrProtocol p, std::uint32_t scancode, bool toggle = false, bool repeat = false) {
    return IrCode{p, scancode, toggle, repeat};
}

class Learning : public testing::Test {
protected:
    test::TempDocuments docs;
    RecordingView view;
    RecordingMessageBox box;
    CRemoteLearningSession session{view, box};
};

} // namespace

TEST_F(Learning, PressingAButtonBindsItAndTheMapIsSavedWhole) {
    ASSERT_TRUE(session.Open("Living room"));
    EXPECT_EQ(view.binding("KEY_UP"), "");
    ASSERT_TRUE(session.StartBinding("KEY_UP"));
    // A repeat is no press: the button waits for the next new one.
    session.onIrCode(Code(IrProtocol::Necx, 0x866B12, false, true));
    session.Poll();
    EXPECT_EQ(session.Armed(), "KEY_UP");
    session.onIrCode(Code(IrProtocol::Necx, 0x866B12));
    session.onIrCode(Code(IrProtocol::Necx, 0x866B12, false, true));
    EXPECT_EQ(view.pending, 3);
    session.Poll();
    EXPECT_EQ(view.codes, (std::vector<std::string>{"necx 0x866b12 toggle 0 repeat 1", "necx 0x866b12 toggle 0 repeat 0",
                                                    "necx 0x866b12 toggle 0 repeat 1 = KEY_UP"}));
    EXPECT_EQ(view.binding("KEY_UP"), "necx 0x866b12");
    EXPECT_TRUE(session.Dirty());
    EXPECT_TRUE(box.shown.empty());

    ASSERT_TRUE(session.Save());
    EXPECT_FALSE(session.Dirty());
    keys::RemoteMap saved;
    ASSERT_EQ(keys::LoadRemoteMap(RemotesFolder() + "Living room.toml", saved).status, keys::MapStatus::Ok);
    EXPECT_EQ(saved.displayName(), "Living room");
    EXPECT_EQ(saved.find(keys::IrFamily::Nec, 0x866B12)->key, "KEY_UP");
    // Learned maps are active by default.
    const std::vector<RemoteMapFile> listed = ListRemoteMaps(ConfigFilePath());
    ASSERT_FALSE(listed.empty());
    EXPECT_TRUE(listed[0].learned && listed[0].active);
}

TEST_F(Learning, AsksBeforeReplacingAndRefusesATakenScancode) {
    ASSERT_TRUE(session.Open("tv"));
    const IrCode x = Code(IrProtocol::Nec, 0x0481), y = Code(IrProtocol::Nec, 0x0488);
    ASSERT_TRUE(session.Bind("KEY_UP", x));
    struct Case {
        const char* name;
        const char* key;
        IrCode code;
        MsgResult answer;
        bool bound;
        const char* up;
        const char* down;
    } cases[] = {
        {"taken, refused", "KEY_DOWN", x, MsgResult::No, false, "nec 0x481", ""},
        {"rebound, refused", "KEY_UP", y, MsgResult::No, false, "nec 0x481", ""},
        {"rebound", "KEY_UP", y, MsgResult::Yes, true, "nec 0x488", ""},
        {"taken, moved", "KEY_DOWN", y, MsgResult::Yes, true, "", "nec 0x488"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        box.shown.clear();
        box.queueAnswer(k.answer);
        EXPECT_EQ(session.Bind(k.key, k.code), k.bound);
        ASSERT_EQ(box.shown.size(), 1u);
        EXPECT_EQ(box.shown[0].buttons, MsgButtons::YesNo);
        EXPECT_EQ(view.binding("KEY_UP"), k.up);
        EXPECT_EQ(view.binding("KEY_DOWN"), k.down);
    }
    EXPECT_EQ(box.shown[0].text, "nec 0x488 is already KEY_UP. Bind it to KEY_DOWN instead?");
}

TEST_F(Learning, ToggleMarksTheHeldFramesOfRc5AndRc6) {
    ASSERT_TRUE(session.Open("mce"));
    for (bool toggle : {true, true, false}) session.onIrCode(Code(IrProtocol::Rc6Mce, 0x800F040C, toggle));
    session.Poll();
    EXPECT_EQ(view.codes, (std::vector<std::string>{"rc6_mce 0x800f040c toggle 1 repeat 0",
                                                    "rc6_mce 0x800f040c toggle 1 repeat 1",
                                                    "rc6_mce 0x800f040c toggle 0 repeat 0"}));
}

TEST_F(Learning, BadNamesAndMalformedMapsAreRefused) {
    EXPECT_FALSE(session.Open("../x"));
    ASSERT_TRUE(os::makeFolder(DataFolder()) && os::makeFolder(RemotesFolder().substr(0, RemotesFolder().size() - 1)));
    ASSERT_TRUE(os::writeFileAtomically(RemotesFolder() + "bad.toml", "[[protocols]]\nprotocol = \"nec\"\n[protocols.scancodes]\nx = \"KEY_UP\"\n"));
    EXPECT_FALSE(session.Open("bad"));
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[1].text, RemotesFolder() + "bad.toml:4: scancode 'x' is not a number");
    // The program skips it, with the same message.
    const ActiveRemoteMaps active = LoadActiveRemoteMaps(ConfigFilePath());
    EXPECT_TRUE(active.maps.empty());
    EXPECT_EQ(active.problems, std::vector<std::string>{box.shown[1].text});
}
