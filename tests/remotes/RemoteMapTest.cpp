#include "keys/KeymapTable.h"
#include "keys/RemoteMap.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace remorra::keys;

namespace {

const char* kMce = R"([[protocols]]
name = "rc6_mce"
protocol = "rc6"
variant = "rc6_mce"
[protocols.scancodes]
0x800f040c = "KEY_SLEEP"
0x800f0422 = "KEY_OK"
0x800f0400 = "KEY_NUMERIC_0"
)";

IrCode Code(IrProtocol p, std::uint32_t scancode) {
    IrCode c;
    c.protocol = p;
    c.scancode = scancode;
    return c;
}

} // namespace

TEST(RemoteMap, ReadsTheKernelFormatInFileOrder) {
    RemoteMap map;
    ASSERT_EQ(ParseRemoteMap(kMce, "mce.toml", map).status, MapStatus::Ok);
    EXPECT_EQ(map.displayName(), "rc6_mce");
    ASSERT_EQ(map.protocols.size(), 1u);
    const MapProtocol& p = map.protocols[0];
    EXPECT_EQ(p.family, IrFamily::Rc6);
    ASSERT_EQ(p.scancodes.size(), 3u);
    EXPECT_EQ(p.scancodes[0].key, "KEY_SLEEP");
    EXPECT_EQ(p.scancodes[2].scancode, 0x800F0400u);
    ASSERT_NE(map.find(IrFamily::Rc6, 0x800F0422), nullptr);
    EXPECT_EQ(map.find(IrFamily::Nec, 0x800F0422), nullptr);
}

TEST(RemoteMap, MalformedMapsNameFileAndLine) {
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"[[protocols]]\nprotocol = \"nec\"\n[protocols.scancodes]\n0x10 = KEY_UP\n", "m.toml:4: "},
        {"[[protocols]]\nprotocol = \"nec\"\n[protocols.scancodes]\n0x10 = \"KEY_UP\"\nup = \"KEY_DOWN\"\n",
         "m.toml:5: scancode 'up' is not a number"},
        {"[[protocols]]\nprotocol = \"nec\"\n[protocols.scancodes]\n0x10 = 3\n", "m.toml:4: the key of scancode 0x10 is not a string"},
        {"[[protocols]]\nprotocol = \"nec\"\n[protocols.scancodes]\n0x10 = \"KEY_UP\"\n16 = \"KEY_DOWN\"\n",
         "m.toml:5: scancode 16 is bound twice"},
        {"[[protocols]]\nprotocol = \"nec\"\n[protocols.scancodes]\n0x100000000 = \"KEY_UP\"\n",
         "m.toml:4: scancode '0x100000000' is not a number"},
        {"name = \"x\"\n", "m.toml:1: no [[protocols]] table"},
        {"[[protocols]]\nname = \"x\"\n", "m.toml:1: a [[protocols]] table without 'protocol'"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.text);
        RemoteMap map;
        map.file = "untouched";
        const MapLoad r = ParseRemoteMap(k.text, "m.toml", map);
        EXPECT_EQ(r.status, MapStatus::Malformed);
        EXPECT_EQ(r.message.rfind(k.message, 0), 0u) << r.message;
        EXPECT_EQ(map.file, "untouched");
    }
}

TEST(RemoteMap, UnsupportedProtocolsAreNotErrors) {
    RemoteMap map;
    const MapLoad r = ParseRemoteMap("[[protocols]]\nprotocol = \"sony\"\nvariant = \"sony12\"\n", "s.toml", map);
    EXPECT_EQ(r.status, MapStatus::Unsupported);
    EXPECT_EQ(r.message, "protocol sony/sony12 is not supported");
    EXPECT_EQ(ParseRemoteMap("[[protocols]]\nprotocol = \"rc5\"\nvariant = \"rc5_sz\"\n", "s.toml", map).status,
              MapStatus::Unsupported);
}

TEST(RemoteMap, LearnedBindingsSaveAndReadBack) {
    RemoteMap map;
    map.file = "My \"TV\".toml";
    map.bind(Code(IrProtocol::Necx, 0x866B12), "KEY_POWER");
    map.bind(Code(IrProtocol::Nec, 0x0484), "KEY_UP");           // same family, another variant
    map.bind(Code(IrProtocol::Rc5, 0x0A57), "KEY_OK");
    map.bind(Code(IrProtocol::Necx, 0x866B12), "KEY_MUTE");      // replaces the scancode's binding
    EXPECT_TRUE(map.unbind("KEY_UP"));
    RemoteMap back;
    ASSERT_EQ(ParseRemoteMap(FormatRemoteMap(map), "back.toml", back).status, MapStatus::Ok) << FormatRemoteMap(map);
    ASSERT_EQ(back.protocols.size(), 2u);
    EXPECT_EQ(back.protocols[0].name, "My \"TV\"");
    EXPECT_EQ(back.protocols[0].variant, "");
    ASSERT_EQ(back.protocols[0].scancodes.size(), 1u);
    EXPECT_EQ(back.find(IrFamily::Nec, 0x866B12)->key, "KEY_MUTE");
    EXPECT_EQ(back.find(IrFamily::Rc5, 0x0A57)->key, "KEY_OK");
    EXPECT_EQ(back.protocols[1].variant, "rc5");
}

TEST(RemoteMap, EarlierMapsWinConflictingScancodes) {
    RemoteMap a, b;
    ASSERT_EQ(ParseRemoteMap(kMce, "a.toml", a).status, MapStatus::Ok);
    ASSERT_EQ(ParseRemoteMap("[[protocols]]\nprotocol = \"rc6\"\n[protocols.scancodes]\n0x800f040c = \"KEY_POWER\"\n"
                             "0x800f0422 = \"KEY_OK\"\n0x10 = \"KEY_A\"\n",
                             "b.toml", b)
                  .status,
              MapStatus::Ok);
    std::vector<std::string> conflicts;
    const KeymapTable table({a, b}, &conflicts);
    ASSERT_EQ(conflicts.size(), 1u); // the same key twice is no conflict
    EXPECT_EQ(conflicts[0], "b.toml: scancode 0x800f040c (KEY_POWER) is KEY_SLEEP in a.toml");
    const KeymapEntry* sleep = table.find(Code(IrProtocol::Rc6Mce, 0x800F040C));
    ASSERT_NE(sleep, nullptr);
    EXPECT_EQ(sleep->keyName, "KEY_SLEEP");
    const KeymapEntry* ok = table.find(Code(IrProtocol::Rc6Mce, 0x800F0422));
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->cardCommand, 0x99);
    EXPECT_EQ(table.find(Code(IrProtocol::Rc5, 0x800F0422)), nullptr);
    ASSERT_NE(table.find(Code(IrProtocol::Rc6_0, 0x10)), nullptr);
    EXPECT_EQ(table.find(Code(IrProtocol::Rc6_0, 0x10))->virtualKey, 0x41);
}

// The system's keymaps (ir-keytable): every one loads or says it is not
// supported; none is refused.
TEST(RemoteMap, SystemKeymapsLoad) {
    const std::filesystem::path dir = "/lib/udev/rc_keymaps";
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) GTEST_SKIP() << "no " << dir << " (package ir-keytable)";
    int supported = 0, unsupported = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
        if (e.path().extension() != ".toml") continue;
        SCOPED_TRACE(e.path().string());
        RemoteMap map;
        const MapLoad r = LoadRemoteMap(e.path().string(), map);
        EXPECT_NE(r.status, MapStatus::Malformed) << r.message;
        (r.status == MapStatus::Ok ? supported : unsupported)++;
    }
    EXPECT_GT(supported, 50);
    EXPECT_GT(unsupported, 0);
}
