// Against a real X server (run through with-xvfb.sh): a window of the test's
// own holds the focus and records the key events that the XTest output
// injects for decoded keys.
// GoogleTest before Xlib, whose None and Bool macros clash with its names.
#include <gtest/gtest.h>

#include "app/ProfileEditor.h"
#include "keys/KeyReportHandler.h"
#include "keys/VirtualKeys.h"
#include "keys/linux/LinuxKeyOutputs.h"
#include "platform/tuner/IrCapture.h"
#include "platform/tuner/ReplayPipeline.h"

#include "LogFileFixture.h"

#include <X11/Xlib.h>
#include <X11/XKBlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <poll.h>
#include <algorithm>
#include <string>
#include <vector>

using namespace remorra::keys;

namespace {

class FocusedWindow {
public:
    FocusedWindow() {
        m_pDisplay = XOpenDisplay(nullptr);
        if (!m_pDisplay) return;
        const int screen = DefaultScreen(m_pDisplay);
        m_window = XCreateSimpleWindow(m_pDisplay, RootWindow(m_pDisplay, screen), 0, 0, 200, 100, 0,
                                       BlackPixel(m_pDisplay, screen), WhitePixel(m_pDisplay, screen));
        XStoreName(m_pDisplay, m_window, "Remorra key sink");
        XSelectInput(m_pDisplay, m_window, KeyPressMask | KeyReleaseMask | StructureNotifyMask);
        XMapWindow(m_pDisplay, m_window);
        XEvent e;
        do XNextEvent(m_pDisplay, &e); while (e.type != MapNotify);
        XSetInputFocus(m_pDisplay, m_window, RevertToParent, CurrentTime);
        XSync(m_pDisplay, False);
        // A keycode without symbols, which no output sends.
        int minCode = 0, maxCode = 0;
        XDisplayKeycodes(m_pDisplay, &minCode, &maxCode);
        for (int code = maxCode; code >= minCode && !m_marker; --code) {
            if (XkbKeycodeToKeysym(m_pDisplay, static_cast<KeyCode>(code), 0, 0) == NoSymbol)
                m_marker = static_cast<KeyCode>(code);
        }
    }
    ~FocusedWindow() {
        if (m_pDisplay) XCloseDisplay(m_pDisplay);
    }
    bool ok() const { return m_pDisplay != nullptr && m_marker != 0; }
    void setTitle(const char* title) {
        XStoreName(m_pDisplay, m_window, title);
        XSync(m_pDisplay, False);
    }
    // Every key event received so far, as "+Control_L" / "-g".
    std::string keys() {
        // The server handles fake input in order, so once a marker key of our
        // own comes back, every event injected before it is in the queue.
        XTestFakeKeyEvent(m_pDisplay, m_marker, True, CurrentTime);
        XTestFakeKeyEvent(m_pDisplay, m_marker, False, CurrentTime);
        XFlush(m_pDisplay);
        std::string out;
        for (;;) {
            if (!XPending(m_pDisplay)) {
                pollfd p{ConnectionNumber(m_pDisplay), POLLIN, 0};
                if (poll(&p, 1, 5000) <= 0) return out + " <marker lost>";
            }
            XEvent e;
            XNextEvent(m_pDisplay, &e);
            if (e.type != KeyPress && e.type != KeyRelease) continue;
            if (e.xkey.keycode == m_marker) {
                if (e.type == KeyRelease) return out;
                continue;
            }
            const KeySym sym = XLookupKeysym(&e.xkey, 0);
            const char* name = XKeysymToString(sym);
            if (!out.empty()) out += ' ';
            out += e.type == KeyPress ? '+' : '-';
            out += name ? name : "?";
        }
    }

private:
    Display* m_pDisplay = nullptr;
    Window m_window = 0;
    KeyCode m_marker = 0;
};

class XTestOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sink.ok()) << "no X display; run through tests/support/with-xvfb.sh";
        out = CreateXTestKeyOutput();
        ASSERT_TRUE(out);
        sink.keys(); // drop anything from the set-up
        owner.selectProfile(kBuiltInProfilePosition, remorra::kBuiltInProfile);
    }
    // A NEC frame of the remote, decoded and handled as the program does.
    std::string press(std::uint8_t command) {
        KeyReportHandler handler(*out, owner.view(), gate);
        remorra::tuner::replayCapture(remorra::tuner::encodeNec(0xFB04, command, 0, false, {}), handler);
        return sink.keys();
    }

    test::LogFile log;
    FocusedWindow sink;
    std::unique_ptr<IKeyOutput> out;
    ProfileViewOwner owner;
    KeyGate gate;
};

TEST_F(XTestOutputTest, DecodedKeysReachTheFocusedWindowInOrder) {
    EXPECT_EQ(press(0x9C), "+Control_L +g -g -Control_L");                    // EPG
    EXPECT_EQ(press(0x83), "+Control_L +r -Control_L -r");                    // Record
    EXPECT_EQ(press(0xDA), "+Control_L +Shift_L +f -f -Shift_L -Control_L"); // FWD
    EXPECT_EQ(press(0x8C), "+F9 -F9");                                        // VOL-
    EXPECT_EQ(press(0x85), "+3 -3"); // a digit, whatever the NumLock state
    EXPECT_EQ(press(0x05), "");
}

TEST_F(XTestOutputTest, PowerFindsTheMediaCenterWindowByTitle) {
    EXPECT_EQ(press(0x84), "+Super_L +Alt_L +Return -Super_L -Return -Alt_L");
    sink.setTitle("windows media CENTER");
    EXPECT_TRUE(out->windowExists("Windows Media Center"));
    EXPECT_EQ(press(0x84), "+Alt_L +F4 -F4 -Alt_L");
    sink.setTitle("Windows Media Center 2");
    EXPECT_FALSE(out->windowExists("Windows Media Center"));
}

TEST_F(XTestOutputTest, UnmappedCodeIsSkippedAndLoggedOnce) {
    for (int i = 0; i < 3; ++i) {
        out->keyDown(0xFF);
        out->keyUp(0xFF);
    }
    EXPECT_EQ(sink.keys(), "");
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("0xFF"), std::string::npos);
}

// Each key a hot-key field can hold has a keycode on a standard server,
// except Clear and Select, whose evdev codes lie beyond X's keycode range:
// those are skipped with a log line, never sent as another key.
TEST_F(XTestOutputTest, EveryKnownCodeReachesTheWindow) {
    for (int code = 1; code < 256; ++code) {
        const auto vk = static_cast<std::uint8_t>(code);
        if (!IsKnownVirtualKey(vk)) continue;
        out->keyDown(vk);
        out->keyUp(vk);
        const std::string keys = sink.keys();
        const bool mayLack = vk == VkClear || vk == VkSelect;
        if (!mayLack || !keys.empty()) {
            EXPECT_EQ(std::count(keys.begin(), keys.end(), '+'), 1) << VirtualKeyName(vk) << ": " << keys;
        }
    }
    EXPECT_LE(log.lines().size(), 2u);
}

TEST_F(XTestOutputTest, ChosenWhenADisplayIsReachable) {
    unsetenv("REMORRA_KEYS");
    EXPECT_STREQ(CreateKeyOutput()->backendName(), "xtest");
}

TEST_F(XTestOutputTest, UserBindingWithEveryModifier) {
    owner.selectProfile(1, "Movie");
    owner.setBinding(SlotEPG, KeyBinding::FromHotKey(0x70, HOTKEYF_CONTROL_BIT | HOTKEYF_ALT_BIT | HOTKEYF_SHIFT_BIT));
    EXPECT_EQ(press(0x9C), "+Control_L +Alt_L +Shift_L +F1 -F1 -Control_L -Alt_L -Shift_L");
}

} // namespace
