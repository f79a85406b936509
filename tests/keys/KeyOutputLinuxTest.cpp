#include "keys/KeyOutput.h"
#include "keys/VirtualKeys.h"
#include "keys/linux/LinuxKeyMap.h"

#include "LogFileFixture.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

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


// Without a reachable display the choice falls through to uinput and, where
// that cannot open either, to the log; a forced back end that cannot open
// or an unknown name also ends at the log, and says so there.
TEST(KeyOutputSelectionTest, FallsBackToTheLogWithAReason) {
    remorra::keys::test::LogFile log;
    const char* display = std::getenv("DISPLAY");
    const std::string savedDisplay = display ? display : "";
    setenv("DISPLAY", ":remorra-none", 1);
    struct Case {
        const char* forced;
        const char* reason; // expected in the log, or null
    } cases[] = {
        {"log", nullptr},
        {"xtest", "\"xtest\" cannot be opened"},
        {"typewriter", "unknown REMORRA_KEYS value \"typewriter\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.forced);
        setenv("REMORRA_KEYS", c.forced, 1);
        const auto out = CreateKeyOutput();
        ASSERT_TRUE(out);
        EXPECT_STREQ(out->backendName(), "log");
        const std::string text = log.text();
        if (c.reason) {
            EXPECT_NE(text.find(c.reason), std::string::npos) << text;
        }
    }
    unsetenv("REMORRA_KEYS");
    const auto chosen = CreateKeyOutput(); // uinput where it can open, else the log
    ASSERT_TRUE(chosen);
    EXPECT_NE(std::string(chosen->backendName()), "xtest");
    if (display) setenv("DISPLAY", savedDisplay.c_str(), 1); else unsetenv("DISPLAY");
}

} // namespace
