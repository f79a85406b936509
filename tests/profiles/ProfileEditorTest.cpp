#include "app/Config.h"
#include "app/ProfileEditor.h"
#include "platform/os/Files.h"
#include "TestDocs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

namespace fs = std::filesystem;
using namespace remorra;

namespace {
auto fields(const KeyBinding& b) {
    return std::make_tuple(b.m_bCtrl, b.m_bAlt, b.m_bShift, b.m_dwVirtualKey, b.m_dwModifiers);
}
} // namespace

namespace {
struct EditorFixture : ::testing::Test {
    test::TempDocuments docs;
    RecordingMessageBox box;
    CProfileEditor ed{box, "Remorra"};
    void touch(const std::string& name, const std::string& text = "<RemoteSetting/>") {
        fs::create_directories(ProfileFolder());
        ASSERT_TRUE(os::writeFileAtomically(ProfileFolder() + name, text));
    }
    std::size_t profileFiles() {
        if (!fs::exists(ProfileFolder())) return 0;
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(ProfileFolder()), fs::directory_iterator()));
    }
};
} // namespace

TEST_F(EditorFixture, ListFollowsPrefixRule) {
    for (const char* f : {"Movie.xml", "Mov.xml", "MCE.xml", "NAME.XML", "notes.txt"}) touch(f);
    fs::create_directories(ProfileFolder() + "dir.xml");
    ed.FillProfileList();
    EXPECT_EQ(ed.entries(), (std::vector<std::string>{kBuiltInProfile, "Mov", "Movie"}));
    ed.FillProfileList();
    EXPECT_EQ(ed.entries().size(), 3u) << "entries are never added twice";
}

TEST_F(EditorFixture, RestoreFallsBackToBuiltInAndWritesSelection) {
    touch("Movie.xml");
    ed.RestoreProfileSelection(7);
    EXPECT_EQ(ed.selection(), 0);
    EXPECT_FALSE(ed.keys.m_slots[0].field.enabled);
    EXPECT_TRUE(ed.keys.m_strProfileFile.empty());
    std::string cfg = ConfigFilePath();
    EXPECT_EQ(ReadConfigValue(cfg, "Config", "selectplayernumber"), "0");
    EXPECT_EQ(ReadConfigValue(cfg, "Config", "Selectplayer"), kBuiltInProfile);

    ed.SelectProfileAt(1);
    EXPECT_TRUE(ed.keys.m_slots[0].field.enabled);
    EXPECT_EQ(ed.keys.m_strProfileFile, "Movie.xml");
    EXPECT_EQ(ReadConfigValue(cfg, "Config", "Selectplayer"), "Movie");
}

TEST_F(EditorFixture, BadNamesCreateNothing) {
    for (const char* name : {"", ".", "..", "../x", "a/b", "a\\b", "a:b", "x\n", "dot."}) {
        box.shown.clear();
        EXPECT_FALSE(ed.NewProfile(std::string(name))) << name;
        ASSERT_EQ(box.shown.size(), 1u) << name;
        EXPECT_FALSE(box.shown[0].text.empty());
    }
    EXPECT_FALSE(fs::exists(docs.path / "Remorra")) << "not even the folders";
    EXPECT_FALSE(fs::exists(docs.path / "x.xml"));
    EXPECT_FALSE(ed.NewProfile(std::nullopt));
}

TEST_F(EditorFixture, NewCreatesFoldersFromShippedTemplate) {
    ASSERT_TRUE(fs::exists(os::programFolder() + "/Original.xml")) << "copied beside the program";
    ASSERT_TRUE(ed.NewProfile(std::string("Movie")));
    EXPECT_TRUE(box.shown.empty());
    EXPECT_EQ(ed.entries(), (std::vector<std::string>{kBuiltInProfile, "Movie"}));
    EXPECT_EQ(ed.selection(), -1) << "the new entry is not selected";
    ed.SelectProfileAt(1);
    EXPECT_TRUE(box.shown.empty()) << "template holds all 25 keys";
    ed.keys.m_slots[0].field = {65, 3, true};
    ASSERT_TRUE(ed.SaveProfile());
    ed.keys.m_slots[0].field = {};
    ed.SelectProfileAt(1);
    EXPECT_EQ(fields(ed.keys.m_slots[0].binding), fields(KeyBinding{1, 0, 1, 65, 3}));
}

TEST_F(EditorFixture, ExistingNameReplacedOnlyAfterQuestion) {
    ed.templateOverride = (docs.path / "t.xml").string();
    ASSERT_TRUE(os::writeFileAtomically(ed.templateOverride, "<RemoteSetting/>"));
    touch("Movie.xml", "<RemoteSetting>mine</RemoteSetting>");
    box.queueAnswer(MsgResult::No);
    EXPECT_FALSE(ed.NewProfile(std::string("Movie")));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].buttons, MsgButtons::YesNo);
    std::string s;
    os::readWholeFile(ProfileFolder() + "Movie.xml", s);
    EXPECT_EQ(s, "<RemoteSetting>mine</RemoteSetting>");
    box.queueAnswer(MsgResult::Yes);
    EXPECT_TRUE(ed.NewProfile(std::string("Movie")));
    os::readWholeFile(ProfileFolder() + "Movie.xml", s);
    EXPECT_EQ(s, "<RemoteSetting/>");
}

TEST_F(EditorFixture, DeleteAsksAndLeavesNoSelection) {
    touch("Movie.xml");
    ed.RestoreProfileSelection(1);
    box.queueAnswer(MsgResult::Cancel);
    EXPECT_FALSE(ed.DeleteProfile());
    EXPECT_EQ(profileFiles(), 1u);
    EXPECT_EQ(ed.selection(), 1);
    EXPECT_TRUE(ed.DeleteProfile());
    EXPECT_EQ(box.shown.back().text, "Are you sure to delete this profile!");
    EXPECT_EQ(box.shown.back().caption, "Info");
    EXPECT_EQ(profileFiles(), 0u);
    EXPECT_EQ(ed.selection(), -1);
    EXPECT_EQ(ed.entries(), std::vector<std::string>{kBuiltInProfile});
}
