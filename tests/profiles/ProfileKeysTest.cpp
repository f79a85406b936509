#include "app/Config.h"
#include "platform/os/MessageBox.h"
#include "keys/ProfileKeys.h"
#include "platform/os/Files.h"
#include "TestDocs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>
#include <regex>

namespace fs = std::filesystem;
using namespace remorra;

namespace {
auto fields(const KeyBinding& b) {
    return std::make_tuple(b.m_bCtrl, b.m_bAlt, b.m_bShift, b.m_dwVirtualKey, b.m_dwModifiers);
}
} // namespace

namespace {
// A whole profile with every value 0 except what `edit` changes.
std::string profileText(const std::string& skipKey = "") {
    std::string s = "<?xml version=\"1.0\"?>\n<RemoteSetting>\n";
    for (const auto& k : kProfileKeys) {
        if (skipKey == k.element) continue;
        s += std::string("  <") + k.element + "><Shift>0</Shift><Ctrl>0</Ctrl><Alt>0</Alt>"
             "<VirtualKey>0</VirtualKey><Modifiers>0</Modifiers></" + k.element + ">\n";
    }
    return s + "</RemoteSetting>\n";
}

struct ProfileFixture : ::testing::Test {
    test::TempDocuments docs;
    RecordingMessageBox box;
    CProfileKeys keys{box, "Remorra", ProfileFolder()};
    std::string path;
    void SetUp() override {
        fs::create_directories(ProfileFolder());
        path = ProfileFolder() + "Movie.xml";
    }
    void put(const std::string& text) { ASSERT_TRUE(os::writeFileAtomically(path, text)); }
    std::string get() {
        std::string s;
        os::readWholeFile(path, s);
        return s;
    }
    void setPower(const std::string& inner) {
        std::string t = profileText();
        t = std::regex_replace(t, std::regex("<Power>.*</Power>"), "<Power>" + inner + "</Power>");
        put(t);
    }
    const EditorSlot& slot(const char* name) {
        for (const auto& k : kProfileKeys)
            if (std::string(k.element) == name) return keys.m_slots[k.slot];
        throw std::runtime_error(name);
    }
};
} // namespace

TEST_F(ProfileFixture, ModifiersDecideFlagsAfterApply) {
    setPower("<Shift>0</Shift><Ctrl>0</Ctrl><Alt>1</Alt><VirtualKey>65</VirtualKey><Modifiers>3</Modifiers>");
    keys.LoadProfileKeys("Movie.xml");
    EXPECT_TRUE(box.shown.empty());
    EXPECT_EQ(slot("Power").field.virtualKey, 65u);
    EXPECT_EQ(slot("Power").field.modifiers, 3u);
    EXPECT_EQ(slot("Power").binding.m_bAlt, 1) << "as loaded, before apply";
    keys.ApplyKeys();
    const KeyBinding& b = slot("Power").binding;
    EXPECT_EQ(b.m_bCtrl, 1);
    EXPECT_EQ(b.m_bShift, 1);
    EXPECT_EQ(b.m_bAlt, 0);
    EXPECT_EQ(b.m_dwVirtualKey, 65u);
}

TEST_F(ProfileFixture, FlagTextParsesAsLeadingDecimal) {
    struct { const char* text; int flag; } cases[] = {{"2", 1}, {"abc", 0}, {" 1x", 1}, {"", 0}, {"-1", 1}};
    for (auto& c : cases) {
        setPower(std::string("<Shift>") + c.text + "</Shift>");
        keys.LoadProfileKeys("Movie.xml");
        EXPECT_EQ(slot("Power").binding.m_bShift, c.flag) << c.text;
        EXPECT_EQ(slot("Power").binding.m_dwVirtualKey, 0u) << "missing elements read 0";
    }
}

TEST_F(ProfileFixture, MissingZoomLoadsAsNoKeyAndSurvivesSave) {
    std::string text = profileText("Zoom");
    text.insert(text.find("<RemoteSetting>") + 15, "<!-- mine --><Other x=\"1\">t</Other>");
    put(text);
    keys.m_slots[kProfileKeys[8].slot].binding = {1, 1, 1, 90, 7};
    keys.LoadProfileKeys("Movie.xml");
    EXPECT_EQ(fields(slot("Zoom").binding), fields(KeyBinding{}));
    keys.m_slots[kProfileKeys[0].slot].field = {80, 6, true};
    keys.m_slots[kProfileKeys[8].slot].field = {90, 2, true};
    keys.ApplyKeys();
    ASSERT_TRUE(keys.SaveProfileKeys());
    std::string expected = text;
    const std::string from = "<Power><Shift>0</Shift><Ctrl>0</Ctrl><Alt>0</Alt><VirtualKey>0</VirtualKey><Modifiers>0";
    expected.replace(expected.find(from), from.size(),
                     "<Power><Shift>0</Shift><Ctrl>1</Ctrl><Alt>1</Alt><VirtualKey>80</VirtualKey><Modifiers>6");
    EXPECT_EQ(get(), expected);
}

TEST_F(ProfileFixture, NoCurrentProfileTouchesNoFile) {
    put(profileText());
    auto before = fs::last_write_time(path);
    keys.ApplyKeys();
    EXPECT_TRUE(keys.SaveProfileKeys());
    keys.SaveKeyBinding("Power", KeyBinding{1, 0, 0, 65, 2});
    EXPECT_EQ(get(), profileText());
    EXPECT_EQ(fs::last_write_time(path), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(ProfileFolder()), fs::directory_iterator()), 1);
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(ProfileFixture, UnreadableProfileReportsAndKeepsBindings) {
    put("<RemoteSetting>");
    keys.m_slots[0].binding = {1, 0, 0, 65, 2};
    keys.LoadProfileKeys("Movie.xml");
    ASSERT_EQ(box.shown.size(), kKeySlotCount);
    EXPECT_EQ(box.shown[0].text, "Load Config error!");
    EXPECT_EQ(box.shown[0].caption, "Remorra");
    EXPECT_EQ(keys.m_slots[0].binding.m_dwVirtualKey, 65u);
    EXPECT_EQ(keys.m_slots[0].field.virtualKey, 65u) << "the field shows the unchanged binding";
    EXPECT_FALSE(keys.SaveProfileKeys());
    EXPECT_EQ(get(), "<RemoteSetting>");
}

TEST_F(ProfileFixture, InterruptedSaveLeavesOldFileIntact) {
    put(profileText());
    keys.LoadProfileKeys("Movie.xml");
    keys.m_slots[0].field = {65, 3, true};
    keys.ApplyKeys();
    os::setAtomicWriteFailAfter(100);
    os::FileResult r = keys.SaveProfileKeys();
    os::setAtomicWriteFailAfter(-1);
    EXPECT_FALSE(r);
    EXPECT_EQ(get(), profileText());
    EXPECT_EQ(std::distance(fs::directory_iterator(ProfileFolder()), fs::directory_iterator()), 1);
}

TEST_F(ProfileFixture, SaveIsOneReplacementAndAFailedFirstWriteKeepsTheOldFile) {
    put(profileText());
    keys.LoadProfileKeys("Movie.xml");
    // Every key changes, so that a save per key would write each one.
    for (EditorSlot& s : keys.m_slots) s.field = {65, 3, true};
    keys.ApplyKeys();
    const std::uint64_t before = os::atomicReplacements();
    ASSERT_TRUE(keys.SaveProfileKeys());
    EXPECT_EQ(os::atomicReplacements() - before, 1u);
    const std::string saved = get();
    ASSERT_NE(saved, profileText());

    for (EditorSlot& s : keys.m_slots) s.field = {66, 0, true};
    keys.ApplyKeys();
    os::setAtomicWriteFailAfter(100, 1);
    const os::FileResult r = keys.SaveProfileKeys();
    os::setAtomicWriteFailAfter(-1);
    EXPECT_FALSE(r);
    EXPECT_EQ(get(), saved);
    EXPECT_EQ(os::atomicReplacements() - before, 1u);
    EXPECT_EQ(std::distance(fs::directory_iterator(ProfileFolder()), fs::directory_iterator()), 1);
}
