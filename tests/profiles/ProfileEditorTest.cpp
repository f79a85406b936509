#include "app/Config.h"
#include "app/ProfileEditor.h"
#include "platform/os/Files.h"
#include "ScopedEnv.h"
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
    std::vector<std::string> bad{"", ".", "..", "../x", "a/b", "x\n", std::string("a\x7F")};
#ifdef _WIN32
    bad.insert(bad.end(), {"a\\b", "a:b", "why?", "con", "LPT1.txt"});
#endif
    for (const std::string& name : bad) {
        box.shown.clear();
        EXPECT_FALSE(ed.NewProfile(name)) << name;
        ASSERT_EQ(box.shown.size(), 1u) << name;
        EXPECT_FALSE(box.shown[0].text.empty());
    }
    EXPECT_FALSE(fs::exists(docs.path / "Remorra")) << "not even the folders";
    EXPECT_FALSE(fs::exists(docs.path / "x.xml"));
    EXPECT_FALSE(ed.NewProfile(std::nullopt));
}

TEST_F(EditorFixture, NamesThePlatformTakesAreCreatedAndDeleted) {
    ed.templateOverride = (docs.path / "t.xml").string();
    ASSERT_TRUE(os::writeFileAtomically(ed.templateOverride, "<RemoteSetting/>"));
    // The file name goes on after the name, so a trailing dot or blank is no trailing one.
    std::vector<std::string> fine{"Kids TV", "dot.", "blank "};
#ifndef _WIN32
    fine.insert(fine.end(), {"Kids:TV", "Why?", "a\\b", "con"});
#endif
    for (const std::string& name : fine) {
        SCOPED_TRACE(name);
        box.shown.clear();
        EXPECT_TRUE(ed.NewProfile(name));
        EXPECT_TRUE(box.shown.empty());
        EXPECT_TRUE(fs::exists(ProfileFolder() + name + ".xml"));
    }
    // Del removes what the list shows, whatever New would have said of it.
    touch("Movie .xml");
    CProfileEditor fresh{box, "Remorra"};
    fresh.FillProfileList();
    while (fresh.entries().size() > 1) {
        const std::string name = fresh.entries()[1];
        SCOPED_TRACE(name);
        fresh.SelectProfileAt(1);
        ASSERT_TRUE(fresh.DeleteProfile());
        EXPECT_FALSE(fs::exists(ProfileFolder() + name + ".xml"));
    }
    EXPECT_EQ(profileFiles(), 0u);
}

#ifndef _WIN32
TEST_F(EditorFixture, NamesWithControlCharactersAreNotListed) {
    const std::string log = (docs.path / "Remorra.log").string();
    touch("A\nstartandhide=1.xml");
    touch("Movie.xml");
    {
        const test::ScopedEnv logTo("REMORRA_LOG", log.c_str());
        ed.FillProfileList();
    }
    EXPECT_EQ(ed.entries(), (std::vector<std::string>{kBuiltInProfile, "Movie"}));
    std::string text;
    os::readWholeFile(log, text);
    EXPECT_NE(text.find("Profile \"A\\x0Astartandhide=1\" is not listed: its name holds a control character\n"),
              std::string::npos)
        << text;
}
#endif

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
