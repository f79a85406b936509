#include "keys/KeyDispatch.h"
#include "keys/KeyOutput.h"
#include "keys/VirtualKeys.h"
#include "keys/linux/LinuxKeyMap.h"
#include "keys/linux/LinuxKeyOutputs.h"
#include "platform/os/VirtualTimeService.h"

#include "LogFileFixture.h"

#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <libevdev/libevdev.h>
#include <linux/input-event-codes.h>
#include <X11/XF86keysym.h>
#include <X11/keysym.h>
#include <string>
#include <unistd.h>

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
    // The ends of each run and the entries chosen against the obvious one.
    struct {
        int vk;
        std::uint32_t keysym;
        std::uint16_t evdev;
    } entries[] = {
        {0x41, XK_a, KEY_A},       {0x5A, XK_z, KEY_Z},        {0x30, XK_0, KEY_0},
        {0x39, XK_9, KEY_9},       {0x60, XK_0, KEY_0},        {0x69, XK_9, KEY_9},
        {0x70, XK_F1, KEY_F1},     {0x87, XK_F24, KEY_F24},    {0x0D, XK_Return, KEY_ENTER},
        {0x2C, XK_Print, KEY_SYSRQ}, {0x6E, XK_period, KEY_DOT}, {0xA5, XK_Alt_R, KEY_RIGHTALT},
        {0xAF, XF86XK_AudioRaiseVolume, KEY_VOLUMEUP}, {0xB3, XF86XK_AudioPlay, KEY_PLAYPAUSE},
        {0xE2, XK_less, KEY_102ND}, {0x3A, 0, 0},              {0x88, 0, 0},
    };
    for (const auto& e : entries) {
        SCOPED_TRACE(testing::Message() << std::showbase << std::hex << e.vk);
        const auto key = linux_keys::LookupLinuxKey(static_cast<std::uint8_t>(e.vk));
        EXPECT_EQ(key.keysym, e.keysym);
        EXPECT_EQ(key.evdev, e.evdev);
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

namespace {

// The evdev node of the virtual keyboard, opened for reading; -1 where this
// machine gives no access.
int OpenVirtualKeyboard(libevdev** reader) {
    DIR* dir = opendir("/dev/input");
    if (!dir) return -1;
    int found = -1;
    while (dirent* entry = readdir(dir)) {
        if (std::strncmp(entry->d_name, "event", 5) != 0) continue;
        const std::string path = std::string("/dev/input/") + entry->d_name;
        const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
        if (fd < 0) continue;
        libevdev* dev = nullptr;
        if (libevdev_new_from_fd(fd, &dev) == 0 &&
            std::strcmp(libevdev_get_name(dev), "Remorra virtual keyboard") == 0) {
            *reader = dev;
            found = fd;
            break;
        }
        if (dev) libevdev_free(dev);
        close(fd);
    }
    closedir(dir);
    return found;
}

// Runs only where /dev/uinput and the event nodes are accessible.
TEST(UinputKeyOutputTest, StrokesArriveOnTheVirtualKeyboard) {
    remorra::keys::test::LogFile log;
    const auto out = CreateUinputKeyOutput();
    if (!out) GTEST_SKIP() << "/dev/uinput cannot be opened here";
    libevdev* reader = nullptr;
    const int fd = OpenVirtualKeyboard(&reader);
    if (fd < 0) GTEST_SKIP() << "the virtual keyboard's event node cannot be read here";
    remorra::os::VirtualTimeService time;
    remorra::os::ScopedTimeService scoped(time);
    DispatchMediaCenterKey("0x9C", *out); // Ctrl+G
    out->keyDown(0x00); // no key for code 0: skipped
    std::string keys;
    input_event ev;
    while (libevdev_next_event(reader, LIBEVDEV_READ_FLAG_NORMAL, &ev) == LIBEVDEV_READ_STATUS_SUCCESS) {
        if (ev.type != EV_KEY) continue;
        if (!keys.empty()) keys += ' ';
        keys += (ev.value ? '+' : '-');
        keys += libevdev_event_code_get_name(EV_KEY, ev.code);
    }
    EXPECT_EQ(keys, "+KEY_LEFTCTRL +KEY_G -KEY_G -KEY_LEFTCTRL");
    libevdev_free(reader);
    close(fd);
}

} // namespace
