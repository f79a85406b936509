// Hostile files where the program reads user data: profile files that are
// malformed, empty, binary, huge or deeply nested; config.ini with binary
// junk, endless lines and duplicate sections; profile names at the edges of
// what a file name can hold.
#include "ScratchFolder.h"
#include "app/Config.h"
#include "app/ProfileEditor.h"
#include "platform/os/Files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <cstdlib>
#include <random>

namespace fs = std::filesystem;
using namespace remorra;
using remorra::test::ScratchFolder;
using remorra::test::slurp;

namespace {

std::string randomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s)
        c = static_cast<char>(rng() & 0xFF);
    return s;
}

std::string templateText()
{
    std::string t;
    RecordingMessageBox box;
    CProfileEditor probe(box, "");
    EXPECT_TRUE(os::readWholeFile(probe.TemplatePath(), t));
    return t;
}

// The template with Power bound to Ctrl+A and `extra` before the root's end.
std::string profileWith(const std::string& extra)
{
    std::string t = templateText();
    const std::string power = "<Power>\n\t\t<Shift>0</Shift>\n\t\t<Ctrl>1</Ctrl>\n\t\t<Alt>0</Alt>\n\t\t"
                              "<VirtualKey>65</VirtualKey>\n\t\t<Modifiers>2</Modifiers>\n\t</Power>";
    t.replace(t.find("<Power>"), t.find("</Power>") + 8 - t.find("<Power>"), power);
    t.insert(t.rfind("</RemoteSetting>"), extra);
    return t;
}

std::string nested(const char* name, int depth, const std::string& inner = "")
{
    std::string s;
    s.reserve(static_cast<std::size_t>(depth) * (2 * std::char_traits<char>::length(name) + 5) + inner.size());
    for (int i = 0; i < depth; ++i)
        s += std::string("<") + name + ">";
    s += inner;
    for (int i = 0; i < depth; ++i)
        s += std::string("</") + name + ">";
    return s;
}

// Every profile load parses the file once per key, so size costs 26 parses;
// CI keeps to 10 MB, REMORRA_HUGE_MB asks for more.
std::size_t hugeBytes()
{
    const char* mb = std::getenv("REMORRA_HUGE_MB");
    return static_cast<std::size_t>(mb && *mb ? std::atoi(mb) : 10) << 20;
}

struct ProfileFiles : ::testing::Test {
    ScratchFolder docs;
    RecordingMessageBox box;
    CProfileEditor ed{box, "Remorra"};

    void SetUp() override
    {
        ASSERT_TRUE(os::makeFolder(DataFolder()));
        ASSERT_TRUE(os::makeFolder(ProfileFolder().substr(0, ProfileFolder().size() - 1)));
    }
    void put(const std::string& name, const std::string& bytes)
    {
        ASSERT_TRUE(os::writeFileAtomically(ProfileFolder() + name + ".xml", bytes));
    }
    void select(const std::string& name)
    {
        ed.FillProfileList();
        const int at = ed.FindString(name);
        ASSERT_GT(at, 0) << name;
        ed.SelectProfileAt(at);
    }
};

} // namespace

// Unreadable documents: each key load says so, the bindings stay as they
// were, and a save writes nothing over the file.
TEST_F(ProfileFiles, UnreadableDocumentsReportAndKeepBindingsAndFile)
{
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"malformed", "<RemoteSetting><Power><Shift>1</Shift>"},
        {"empty", ""},
        {"binary", randomBytes(64 * 1024, 5)},
        {"wrong root only", "<?xml version=\"1.0\"?>\n"},
        {"huge and malformed", "<RemoteSetting>" + std::string(hugeBytes(), 'x') + "<"},
    };
    put("Good", profileWith(""));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        select("Good");
        ASSERT_EQ(ed.keys.m_slots[0].binding.m_dwVirtualKey, 65u);
        put("Bad", c.bytes);
        box.shown.clear();
        select("Bad");
        ASSERT_EQ(box.shown.size(), 25u);
        EXPECT_EQ(box.shown[0].text, "Load Config error!");
        EXPECT_EQ(ed.keys.m_slots[0].binding.m_dwVirtualKey, 65u) << "bindings must stay as they were";
        box.shown.clear();
        EXPECT_FALSE(ed.SaveProfile());
        EXPECT_EQ(box.shown.size(), 1u);
        EXPECT_EQ(slurp(ProfileFolder() + "Bad.xml"), c.bytes);
    }
}

TEST_F(ProfileFiles, HugeProfileLoadsAndSavesWhole)
{
    const std::string padding = "<!-- " + std::string(hugeBytes(), 'x') + " -->";
    put("Huge", profileWith(padding));
    select("Huge");
    EXPECT_TRUE(box.shown.empty());
    EXPECT_EQ(ed.keys.m_slots[0].binding.m_dwVirtualKey, 65u);
    ed.keys.m_slots[0].field.virtualKey = 66;
    ASSERT_TRUE(ed.SaveProfile());
    const std::string saved = slurp(ProfileFolder() + "Huge.xml");
    EXPECT_NE(saved.find(padding), std::string::npos);
    EXPECT_NE(saved.find("<VirtualKey>66</VirtualKey>"), std::string::npos);
}

// Nesting deep enough to overflow any recursion over the tree, both inside a
// value element (whose text is gathered) and beside the key elements.
TEST_F(ProfileFiles, DeeplyNestedElementsNeitherCrashNorLoseTheRest)
{
    constexpr int kDepth = 200'000;
    std::string inValue = profileWith("");
    const std::string vk = "<VirtualKey>65</VirtualKey>";
    inValue.replace(inValue.find(vk), vk.size(), "<VirtualKey>" + nested("d", kDepth, "65") + "</VirtualKey>");
    put("DeepValue", inValue);
    put("DeepBeside", profileWith(nested("d", kDepth)));

    for (const char* name : {"DeepValue", "DeepBeside"}) {
        SCOPED_TRACE(name);
        box.shown.clear();
        select(name);
        EXPECT_TRUE(box.shown.empty());
        EXPECT_EQ(ed.keys.m_slots[0].binding.m_dwVirtualKey, 65u);
        ed.keys.m_slots[1].field = {67, 0, true};
        ASSERT_TRUE(ed.SaveProfile());
        const std::string saved = slurp(ProfileFolder() + name + ".xml");
        EXPECT_NE(saved.find("<VirtualKey>67</VirtualKey>"), std::string::npos);
        if (std::string(name) == "DeepBeside") {
            std::string opening;
            for (int i = 0; i < 1000; ++i)
                opening += "<d>";
            EXPECT_NE(saved.find(opening), std::string::npos) << "the nested content must be kept";
        }
    }
}

namespace {
struct ConfigFiles : ::testing::Test {
    ScratchFolder docs;
    std::string file;
    void SetUp() override { file = ConfigFilePath(); }
    void put(const std::string& bytes) { ASSERT_TRUE(os::writeFileAtomically(file, bytes)); }
};
} // namespace

TEST_F(ConfigFiles, BinaryJunkIsKeptAndAValueCanStillBeWritten)
{
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::string junk = randomBytes(4096, seed);
        if (junk.back() != '\n')
            junk += '\n';
        put(junk);
        (void)ReadConfigValue(file, "Config", "startandhide");
        ASSERT_EQ(WriteConfigValue(file, "Config", "startandhide", "1"), 0);
        EXPECT_EQ(ReadConfigValue(file, "Config", "startandhide"), "1") << "seed " << seed;
        EXPECT_NE(slurp(file).find(junk.substr(0, 512)), std::string::npos) << "junk lost, seed " << seed;
    }
}

TEST_F(ConfigFiles, EndlessLinesAreCutOnReadAndKeptOnWrite)
{
    const std::string endless(4 << 20, 'v');
    put("[Config]\nstrDevName=" + endless + "\n" + std::string(4 << 20, '#'));
    EXPECT_EQ(ReadConfigValue(file, "Config", "strDevName"), endless.substr(0, kConfigValueBuffer - 1));
    ASSERT_EQ(WriteConfigValue(file, "Config", "startandhide", "1"), 0);
    EXPECT_EQ(ReadConfigValue(file, "Config", "startandhide"), "1");
    // Only the new line and a final newline were added.
    EXPECT_EQ(slurp(file).size(), 2 * (4u << 20) + 37);
}

TEST_F(ConfigFiles, DuplicateSectionsReadAndWriteTheFirst)
{
    put("[Config]\nstartandhide=1\n\n[config]\nstartandhide=2\nbRememberDevice=1\n[CONFIG]\nTunerType=3\n");
    EXPECT_EQ(ReadConfigValue(file, "Config", "startandhide"), "1");
    ASSERT_EQ(WriteConfigValue(file, "config", "startandhide", "0"), 0);
    ASSERT_EQ(WriteConfigValue(file, "Config", "selectplayernumber", "4"), 0);
    EXPECT_EQ(slurp(file), "[Config]\nstartandhide=0\nselectplayernumber=4\n\n[config]\nstartandhide=2\n"
                           "bRememberDevice=1\n[CONFIG]\nTunerType=3\n");
}

// Names that must work end to end, and unsafe ones that must be refused
// before anything touches the disk.
TEST_F(ProfileFiles, ProfileNamesRoundTripOrAreRefused)
{
    const std::string longest(251, 'n'); // + ".xml" is the longest file name
    for (const std::string& name : {std::string("My Movies"), std::string("Фильмы über Café"), longest}) {
        SCOPED_TRACE(name.substr(0, 20));
        box.shown.clear();
        ASSERT_TRUE(ed.NewProfile(name));
        select(name);
        ed.keys.m_slots[0].field = {68, HOTKEYF_SHIFT_BIT, true};
        ASSERT_TRUE(ed.SaveProfile());
        ed.SelectProfileAt(0);
        select(name);
        EXPECT_EQ(ed.keys.m_slots[0].binding.m_dwVirtualKey, 68u);
        EXPECT_EQ(ReadConfigValue(ConfigFilePath(), "Config", "Selectplayer"), name);
        EXPECT_TRUE(box.shown.empty());
    }
    const std::size_t before = static_cast<std::size_t>(std::distance(fs::directory_iterator(DataFolder()), {}));
    for (const std::string& name : {std::string(255, 'n'), std::string(252, 'n'), std::string("../x"),
                                    std::string("a/b"), std::string("."), std::string(".."), std::string()}) {
        SCOPED_TRACE(name.substr(0, 20));
        box.shown.clear();
        EXPECT_FALSE(ed.NewProfile(name));
        ASSERT_EQ(box.shown.size(), 1u);
        EXPECT_NE(box.shown[0].text.find("The profile name"), std::string::npos) << box.shown[0].text;
    }
    EXPECT_FALSE(fs::exists(DataFolder() + "/x.xml"));
    EXPECT_FALSE(fs::exists(ProfileFolder() + "a"));
    EXPECT_EQ(static_cast<std::size_t>(std::distance(fs::directory_iterator(DataFolder()), {})), before);
}
