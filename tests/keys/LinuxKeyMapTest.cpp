#include "keys/VirtualKeys.h"
#include "keys/linux/LinuxKeyMap.h"

#include <gtest/gtest.h>

using namespace remorra::keys;

namespace {

// Every code a hot-key field can hold has both a keysym and an evdev key;
// any other code has neither, so that it is skipped rather than sent as
// something else.
TEST(LinuxKeyMapTest, KnownCodesMapBothWaysOthersNot) {
    for (int code = 0; code < 256; ++code) {
        const auto vk = static_cast<std::uint8_t>(code);
        const auto key = linux_keys::LookupLinuxKey(vk);
        SCOPED_TRACE(code);
        EXPECT_EQ(IsKnownVirtualKey(vk), key.keysym != 0);
        EXPECT_EQ(IsKnownVirtualKey(vk), key.evdev != 0);
    }
}

} // namespace
