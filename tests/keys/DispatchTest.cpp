#include "app/ProfileEditor.h"
#include "keys/KeyDispatch.h"
#include "platform/os/VirtualTimeService.h"

#include "KeyTestUtil.h"

#include <gtest/gtest.h>

using namespace remorra::keys;
using remorra::keys::test::Strokes;

namespace {

// Every remote code with its Media Center strokes and what the profile
// dispatcher does: "same" (fixed strokes) or the slot whose binding it sends.
struct Row {
    const char* code;
    const char* mce; // strokes; "toggle" for the Power row
    int slot;        // -1: fixed keys, same as the Media Center column
};

constexpr int kFixed = -1;

const Row kRows[] = {
    {"0x80", "D08 P20 U08", SlotRecall},
    {"0x81", "D26 P10 U26", kFixed},
    {"0x82", "D27 P10 U27", kFixed},
    {"0x83", "D11 P10 D52 U11 U52", SlotRecord},
    {"0x84", "toggle", SlotPower},
    {"0x85", "D63 P10 U63", kFixed},
    {"0x86", "D62 P10 U62", kFixed},
    {"0x87", "D61 P10 U61", kFixed},
    {"0x88", "D28 P10 U28", kFixed},
    {"0x89", "D66 P10 U66", kFixed},
    {"0x8A", "D65 P10 U65", kFixed},
    {"0x8B", "D64 P10 U64", kFixed},
    {"0x8C", "D78 P20 U78", SlotVOLDown},
    {"0x8D", "D69 P10 U69", kFixed},
    {"0x8E", "D68 P10 U68", kFixed},
    {"0x8F", "D67 P10 U67", kFixed},
    {"0x90", "D25 P10 U25", kFixed},
    {"0x91", "D22 P10 U22", SlotCHLDown},
    {"0x92", "D60 P10 U60", kFixed},
    {"0x93", "D79 P20 U79", SlotVOLUp},
    {"0x94", "D77 P10 U77", SlotMute},
    {"0x95", "", SlotFav},
    {"0x96", "D21 P10 U21", SlotCHLUp},
    {"0x97", "", SlotSUB},
    {"0x98", "D11 P10 D50 P10 U11 P10 U50", SlotPause},
    {"0x99", "D0D P20 U0D", kFixed},
    {"0x9A", "", SlotSNAP},
    {"0x9B", "", SlotMode},
    {"0x9C", "D11 P10 D47 P10 U47 P10 U11", SlotEPG},
    {"0x9D", "D12 P10 D0D P10 U0D P10 U12", SlotZoom},
    {"0x9E", "", SlotMenu},
    {"0x9F", "D12 P10 D73 P10 U73 P10 U12", SlotExit},
    {"0xD1", "D6A P10 U6A", kFixed},
    {"0xD2", "D10 P10 D33 P10 U33 P10 U10", kFixed},
    {"0xD4", "D08 P10 U08", SlotClear},
    {"0xD8", "D11 P10 D46 P10 U46 P10 U11", SlotSkip},
    {"0xD9", "D11 P10 D42 P10 U42 P10 U11", SlotReplay},
    {"0xDA", "D11 P10 D10 P10 D46 P10 U46 P10 U10 P10 U11", SlotFWD},
    {"0xDB", "D11 P10 D10 P10 D42 P10 U42 P10 U10 P10 U11", SlotREW},
    {"0xDC", "D11 P10 D10 P10 D53 P10 U53 P10 U10 P10 U11", SlotStop},
    {"0xDD", "D11 P10 D4F P10 U4F P10 U11", SlotRecordedTV},
    {"0xDE", "D11 P10 D10 P10 D50 P10 U50 P10 U10 P10 U11", SlotPlay},
};

const char* kStartMediaCenter = "D5B P10 D12 P10 D0D P10 U5B P10 U0D P10 U12";
const char* kCloseMediaCenter = "D12 P10 D73 P10 U73 P10 U12";

// A distinct binding per slot (Alt + letter A.. by slot), so that a wrong
// slot shows as a wrong key code.
KeyBindings DistinctBindings() {
    KeyBindings b{};
    for (std::size_t i = 0; i < b.size(); ++i) {
        b[i].m_dwVirtualKey = 0x41 + static_cast<std::uint32_t>(i);
        b[i].m_dwModifiers = HOTKEYF_ALT_BIT;
        b[i].m_bAlt = 1;
    }
    return b;
}

std::string AltTap(std::uint32_t vk) {
    char t[64];
    std::snprintf(t, sizeof t, "D12 P10 D%02X P10 U%02X U12 P10", vk, vk);
    return t;
}

class DispatchTest : public ::testing::Test {
protected:
    remorra::os::VirtualTimeService time;
    remorra::os::ScopedTimeService scoped{time};
    RecordingKeyOutput out;
};

TEST_F(DispatchTest, MediaCenterTableRowByRow) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.code);
        out.take();
        DispatchMediaCenterKey(row.code, out);
        const std::string expected = std::string(row.mce) == "toggle" ? kStartMediaCenter : row.mce;
        EXPECT_EQ(ToString(out.take()), ToString(Strokes(expected)));
    }
}

TEST_F(DispatchTest, ProfileDispatcherRowByRow) {
    ProfileSnapshot view;
    view.setSelection(2, "Movie");
    view.m_bindings = DistinctBindings();
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.code);
        out.take();
        DispatchProfileKey(row.code, view, out);
        const std::string expected = row.slot == kFixed
            ? std::string(row.mce)
            : AltTap(view.m_bindings[static_cast<std::size_t>(row.slot)].m_dwVirtualKey);
        EXPECT_EQ(ToString(out.take()), ToString(Strokes(expected)));
    }
}

TEST_F(DispatchTest, EmptyBindingsSendOnlyTheFixedKeys) {
    ProfileSnapshot view; // what the built-in entry leaves in the slots
    view.setSelection(0, remorra::kBuiltInProfile);
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.code);
        out.take();
        DispatchProfileKey(row.code, view, out);
        EXPECT_EQ(ToString(out.take()), ToString(Strokes(row.slot == kFixed ? row.mce : "")));
    }
}

TEST_F(DispatchTest, CodesOutsideTheTableSendNothing) {
    ProfileSnapshot view;
    view.m_bindings = DistinctBindings();
    for (const char* code : {"0x5", "0x10C", "0x84 ", "0x9c", "84", "", "0xD3", "0x7F"}) {
        SCOPED_TRACE(code);
        DispatchMediaCenterKey(code, out);
        DispatchProfileKey(code, view, out);
        EXPECT_TRUE(out.take().empty());
    }
    DispatchMediaCenterKey(nullptr, out);
    EXPECT_TRUE(out.take().empty());
}

TEST_F(DispatchTest, SendKeyBindingModifierOrders) {
    struct Case {
        std::uint8_t ctrl, alt, shift;
        std::uint32_t vk;
        const char* strokes;
    } cases[] = {
        {1, 0, 1, 0x41, "D11 P10 D10 P10 D41 P10 U41 U11 P10 U10 P10"},
        {0, 0, 0, 0x41, "D41 P10 U41"},
        {1, 1, 1, 0x70, "D11 P10 D12 P10 D10 P10 D70 P10 U70 U11 P10 U12 P10 U10 P10"},
        {0, 1, 0, 0x73, "D12 P10 D73 P10 U73 U12 P10"},
        {1, 1, 1, 0, ""},          // no key: not even the modifiers
        {0, 0, 0, 0x1A5, "DA5 P10 UA5"}, // only the low 8 bits are sent
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.strokes);
        KeyBinding b;
        b.m_bCtrl = c.ctrl;
        b.m_bAlt = c.alt;
        b.m_bShift = c.shift;
        b.m_dwVirtualKey = c.vk;
        b.m_dwModifiers = HOTKEYF_EXT_BIT; // never sent
        SendKeyBinding(b, out);
        EXPECT_EQ(ToString(out.take()), ToString(Strokes(c.strokes)));
    }
}

TEST_F(DispatchTest, ToggleBothWaysAndItsCaseInsensitiveSearch) {
    ToggleMediaCenter(out);
    EXPECT_EQ(ToString(out.take()), ToString(Strokes(kStartMediaCenter)));
    out.setOpenWindows({"windows MEDIA center"});
    ToggleMediaCenter(out);
    EXPECT_EQ(ToString(out.take()), ToString(Strokes(kCloseMediaCenter)));
    out.setOpenWindows({"Windows Media Center - TV"});
    ToggleMediaCenter(out);
    EXPECT_EQ(ToString(out.take()), ToString(Strokes(kStartMediaCenter)));
}

TEST_F(DispatchTest, ProfileNamedMediaCenterTogglesInsteadOfItsPowerBinding) {
    ProfileSnapshot view;
    view.m_bindings = DistinctBindings();
    const std::string power = AltTap(view.m_bindings[SlotPower].m_dwVirtualKey);
    struct Case {
        int position;
        const char* name;
        std::string strokes;
    } cases[] = {
        {3, "Windows Media Center", kStartMediaCenter},
        {3, "windows media center", power}, // the profile name compares exactly
        {3, "Movie", power},
        {-1, "", power},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view.setSelection(c.position, c.name);
        DispatchProfileKey("0x84", view, out);
        EXPECT_EQ(ToString(out.take()), ToString(Strokes(c.strokes)));
    }
    out.setOpenWindows({"Windows Media Center"});
    view.setSelection(1, "Windows Media Center");
    DispatchProfileKey("0x84", view, out);
    EXPECT_EQ(ToString(out.take()), ToString(Strokes(kCloseMediaCenter)));
}

TEST_F(DispatchTest, PausesRunInVirtualTime) {
    const auto before = time.nowUs();
    DispatchMediaCenterKey("0xDA", out); // the longest fixed sequence
    EXPECT_EQ(time.nowUs() - before, 50'000);
}

TEST(ProfileSnapshotTest, OverlongNameIsCutAndMatchesNothing) {
    ProfileSnapshot view;
    const std::string longName = std::string(200, 'x');
    view.setSelection(4, longName);
    EXPECT_EQ(view.m_bTextCut, 1);
    EXPECT_EQ(std::strlen(view.m_szSelectedText), ProfileSnapshot::kTextRoom - 1);
    EXPECT_FALSE(view.selectedTextIs(std::string(ProfileSnapshot::kTextRoom - 1, 'x').c_str()));
    view.setSelection(4, "Windows Media Center");
    EXPECT_TRUE(view.selectedTextIs("Windows Media Center"));
}

} // namespace
