#include "keys/KeyBinding.h"
#include "qt/HotKeyCtrl.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace remorra;

namespace {
std::string shown(const CHotKeyCtrl& f) { return f.text().toStdString(); }
} // namespace

TEST(HotKeyCtrl, TakesOneKeyWithItsModifiers) {
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        std::uint32_t vk, bits;
        const char* text;
    } cases[] = {
        {Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier, 0x41, 3, "Ctrl + Shift + A"},
        {Qt::Key_P, Qt::ControlModifier | Qt::AltModifier, 0x50, 6, "Ctrl + Alt + P"},
        {Qt::Key_F4, Qt::AltModifier, 0x73, 4, "Alt + F4"},
        {Qt::Key_Up, Qt::NoModifier, 0x26, HOTKEYF_EXT_BIT, "Up"},
        {Qt::Key_PageDown, Qt::ShiftModifier, 0x22, 1 | HOTKEYF_EXT_BIT, "Shift + PageDown"},
        {Qt::Key_3, Qt::KeypadModifier, 0x63, 0, "Num3"},
        {Qt::Key_Slash, Qt::KeypadModifier, 0x6F, HOTKEYF_EXT_BIT, "Num/"},
        // Shift turns the digit into its symbol; the code stays the key's.
        {Qt::Key_Exclam, Qt::ShiftModifier, 0x31, 1, "Shift + 1"},
        {Qt::Key_Colon, Qt::ShiftModifier, 0xBA, 1, "Shift + ;"},
        {Qt::Key_Space, Qt::ControlModifier, 0, 0, "None"},
    };
    for (const Case& c : cases) {
        CHotKeyCtrl f;
        QTest::keyClick(&f, c.key, c.mods);
        EXPECT_EQ(f.virtualKey(), c.vk) << c.text;
        EXPECT_EQ(f.modifiers(), c.bits) << c.text;
        EXPECT_EQ(shown(f), c.text);
    }
}

TEST(HotKeyCtrl, WindowKeysPassAndClearingKeysEmpty) {
    CHotKeyCtrl f;
    f.SetHotKey(0x41, 2);
    EXPECT_EQ(shown(f), "Ctrl + A");
    for (Qt::Key k : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_Tab}) {
        QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier);
        QCoreApplication::sendEvent(&f, &e);
        EXPECT_FALSE(e.isAccepted()) << "left to the window: " << k;
        EXPECT_EQ(f.virtualKey(), 0x41u);
    }
    QTest::keyClick(&f, Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(f.virtualKey(), 0x41u) << "never a hot key, and not a clear with a modifier";
    for (Qt::Key k : {Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Space}) {
        f.SetHotKey(0x41, 2);
        QTest::keyClick(&f, k);
        EXPECT_EQ(f.virtualKey(), 0u);
        EXPECT_EQ(f.modifiers(), 0u);
        EXPECT_EQ(shown(f), "None");
    }
}

TEST(HotKeyCtrl, HeldModifiersShowUntilReleased) {
    CHotKeyCtrl f;
    f.SetHotKey(0x46, 0);
    QTest::keyPress(&f, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_EQ(shown(f), "Ctrl + ");
    QTest::keyPress(&f, Qt::Key_Alt, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(shown(f), "Ctrl + Alt + ");
    QTest::keyRelease(&f, Qt::Key_Alt, Qt::NoModifier);
    EXPECT_EQ(shown(f), "F") << "an unfinished combination keeps the stored key";
    EXPECT_EQ(f.modifiers(), 0u);
}

TEST(HotKeyCtrl, DisabledFieldTakesNoKeys) {
    CHotKeyCtrl f;
    f.SetHotKey(0x1FF, 0x103);
    EXPECT_EQ(f.virtualKey(), 0xFFu) << "the control keeps a byte of each";
    EXPECT_EQ(f.modifiers(), 3u);
    f.Clear();
    f.setEnabled(false);
    QTest::keyClick(&f, Qt::Key_B);
    EXPECT_EQ(f.virtualKey(), 0u);
}
