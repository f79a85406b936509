// Faults the fuzzers found, each pinned where it was fixed.
#include "app/Config.h"
#include "keys/ProfileKeys.h"
#include "keys/XMLParse.h"
#include "platform/os/Files.h"
#include "platform/os/MessageBox.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace remorra {
namespace {

class FuzzRegression : public ::testing::Test {
protected:
    void SetUp() override
    {
        os::makeFolder(DataFolder());
        os::makeFolder(ProfileFolder());
    }
    test::TempFolder m_docs{"remorra-regression", "REMORRA_DOCUMENTS"};
};

// pugixml ends a document at a NUL and calls the load good; the save then
// wrote back only what stood before it, losing the rest of the profile.
TEST_F(FuzzRegression, ProfileWithNulCharacterIsRefusedAndKeptWhole)
{
    const std::string path = ProfileFolder() + "p.xml";
    const std::string utf8 = std::string("<RemoteSetting><Power><VirtualKey>1</VirtualKey></Power>\0", 58) +
                             "<Mute><VirtualKey>2</VirtualKey></Mute></RemoteSetting>\n";
    // The same in UTF-16 with its byte-order mark: NUL bytes are normal there,
    // only a NUL character is not.
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("<RemoteSetting><Power><VirtualKey>7</VirtualKey></Power></RemoteSetting>"))
        utf16 += std::string{c, '\0'};
    struct Case {
        std::string bytes;
        bool loads;
    } cases[] = {{utf8, false}, {utf16, true}, {utf16.substr(0, 10) + std::string(2, '\0') + utf16.substr(10), false}};
    for (const auto& c : cases) {
        ASSERT_TRUE(os::writeFileAtomically(path, c.bytes));
        XMLParse xml;
        EXPECT_EQ(xml.Load(path.c_str()), c.loads);
        RecordingMessageBox box;
        CProfileKeys keys(box, "Remorra", ProfileFolder());
        keys.LoadProfileKeys("p.xml");
        keys.m_slots[0].binding = KeyBinding::FromHotKey(0x41, 1);
        EXPECT_EQ(static_cast<bool>(keys.SaveProfileKeys()), c.loads);
        std::string after;
        ASSERT_TRUE(os::readWholeFile(path, after));
        if (!c.loads)
            EXPECT_EQ(after, c.bytes);
        else
            EXPECT_EQ(keys.m_slots[0].binding.m_dwVirtualKey, 0x41u);
    }
}

// A missing key element gives a binding of zeros; reading its fields from a
// none parent searched the whole document instead, so a file whose root is a
// field's element bound every key to that field's value.
TEST_F(FuzzRegression, MissingKeyElementReadsAsZeroWhateverTheRoot)
{
    const std::string path = ProfileFolder() + "p.xml";
    for (const char* text : {"<VirtualKey>65</VirtualKey>\n", "\t<Shift>3</Shift>\n",
                             "<RemoteSetting><Modifiers>4</Modifiers></RemoteSetting>"}) {
        ASSERT_TRUE(os::writeFileAtomically(path, text));
        RecordingMessageBox box;
        CProfileKeys keys(box, "Remorra", ProfileFolder());
        for (auto& slot : keys.m_slots)
            slot.binding = KeyBinding::FromHotKey(0x42, 7);
        keys.LoadProfileKeys("p.xml");
        for (const auto& slot : keys.m_slots)
            EXPECT_EQ(slot.binding, KeyBinding{}) << text;
        EXPECT_TRUE(box.shown.empty());
    }
}

} // namespace
} // namespace remorra
