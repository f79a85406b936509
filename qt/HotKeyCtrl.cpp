#include "qt/HotKeyCtrl.h"

#include "app/HotKeyText.h"
#include "keys/KeyBinding.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>

namespace remorra {

namespace {
std::uint32_t modifierBits(Qt::KeyboardModifiers mods) {
    std::uint32_t bits = 0;
    if (mods & Qt::ShiftModifier) bits |= HOTKEYF_SHIFT_BIT;
    if (mods & Qt::ControlModifier) bits |= HOTKEYF_CONTROL_BIT;
    if (mods & Qt::AltModifier) bits |= HOTKEYF_ALT_BIT;
    return bits;
}

bool isModifierKey(int key) {
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_AltGr;
}

std::uint32_t modifierBitOf(int key) {
    switch (key) {
    case Qt::Key_Shift: return HOTKEYF_SHIFT_BIT;
    case Qt::Key_Control: return HOTKEYF_CONTROL_BIT;
    case Qt::Key_Alt: return HOTKEYF_ALT_BIT;
    default: return 0;
    }
}

// The OEM codes follow the US layout, the one the codes are named after;
// shifted symbols give the code of the key that carries them.
std::uint8_t symbolKey(int key) {
    switch (key) {
    case Qt::Key_Semicolon: case Qt::Key_Colon: return 0xBA;
    case Qt::Key_Equal: case Qt::Key_Plus: return 0xBB;
    case Qt::Key_Comma: case Qt::Key_Less: return 0xBC;
    case Qt::Key_Minus: case Qt::Key_Underscore: return 0xBD;
    case Qt::Key_Period: case Qt::Key_Greater: return 0xBE;
    case Qt::Key_Slash: case Qt::Key_Question: return 0xBF;
    case Qt::Key_QuoteLeft: case Qt::Key_AsciiTilde: return 0xC0;
    case Qt::Key_BracketLeft: case Qt::Key_BraceLeft: return 0xDB;
    case Qt::Key_Backslash: case Qt::Key_Bar: return 0xDC;
    case Qt::Key_BracketRight: case Qt::Key_BraceRight: return 0xDD;
    case Qt::Key_Apostrophe: case Qt::Key_QuoteDbl: return 0xDE;
    case Qt::Key_Exclam: return 0x31;
    case Qt::Key_At: return 0x32;
    case Qt::Key_NumberSign: return 0x33;
    case Qt::Key_Dollar: return 0x34;
    case Qt::Key_Percent: return 0x35;
    case Qt::Key_AsciiCircum: return 0x36;
    case Qt::Key_Ampersand: return 0x37;
    case Qt::Key_Asterisk: return 0x38;
    case Qt::Key_ParenLeft: return 0x39;
    case Qt::Key_ParenRight: return 0x30;
    default: return 0;
    }
}

std::uint8_t keypadKey(int key, bool& ext) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<std::uint8_t>(0x60 + (key - Qt::Key_0));
    switch (key) {
    case Qt::Key_Asterisk: return 0x6A;
    case Qt::Key_Plus: return 0x6B;
    case Qt::Key_Comma: return 0x6C;
    case Qt::Key_Minus: return 0x6D;
    case Qt::Key_Period: case Qt::Key_Delete: return 0x6E;
    case Qt::Key_Slash: ext = true; return 0x6F;
    case Qt::Key_Enter: ext = true; return 0x0D;
    // Navigation on the keypad with Num Lock off: same codes, not extended.
    case Qt::Key_Insert: return 0x2D;
    case Qt::Key_End: return 0x23;
    case Qt::Key_Down: return 0x28;
    case Qt::Key_PageDown: return 0x22;
    case Qt::Key_Left: return 0x25;
    case Qt::Key_Clear: return 0x0C;
    case Qt::Key_Right: return 0x27;
    case Qt::Key_Home: return 0x24;
    case Qt::Key_Up: return 0x26;
    case Qt::Key_PageUp: return 0x21;
    default: return 0;
    }
}
} // namespace

std::uint8_t CHotKeyCtrl::VirtualKeyFromQt(int key, Qt::KeyboardModifiers mods, bool* extended) {
    bool ext = false;
    std::uint8_t vk = 0;
    if (mods & Qt::KeypadModifier) {
        vk = keypadKey(key, ext);
    } else if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        vk = static_cast<std::uint8_t>(0x41 + (key - Qt::Key_A));
    } else if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        vk = static_cast<std::uint8_t>(0x30 + (key - Qt::Key_0));
    } else if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
        vk = static_cast<std::uint8_t>(0x70 + (key - Qt::Key_F1));
    } else if ((vk = symbolKey(key)) == 0) {
        switch (key) {
        case Qt::Key_Backspace: vk = 0x08; break;
        case Qt::Key_Tab: case Qt::Key_Backtab: vk = 0x09; break;
        case Qt::Key_Clear: vk = 0x0C; break;
        case Qt::Key_Return: vk = 0x0D; break;
        case Qt::Key_Enter: vk = 0x0D; ext = true; break;
        case Qt::Key_Pause: vk = 0x13; break;
        case Qt::Key_CapsLock: vk = 0x14; break;
        case Qt::Key_Escape: vk = 0x1B; break;
        case Qt::Key_Space: vk = 0x20; break;
        case Qt::Key_PageUp: vk = 0x21; ext = true; break;
        case Qt::Key_PageDown: vk = 0x22; ext = true; break;
        case Qt::Key_End: vk = 0x23; ext = true; break;
        case Qt::Key_Home: vk = 0x24; ext = true; break;
        case Qt::Key_Left: vk = 0x25; ext = true; break;
        case Qt::Key_Up: vk = 0x26; ext = true; break;
        case Qt::Key_Right: vk = 0x27; ext = true; break;
        case Qt::Key_Down: vk = 0x28; ext = true; break;
        case Qt::Key_Select: vk = 0x29; break;
        case Qt::Key_Printer: vk = 0x2A; break;
        case Qt::Key_Execute: vk = 0x2B; break;
        case Qt::Key_Print: vk = 0x2C; ext = true; break;
        case Qt::Key_Insert: vk = 0x2D; ext = true; break;
        case Qt::Key_Delete: vk = 0x2E; ext = true; break;
        case Qt::Key_Help: vk = 0x2F; break;
        case Qt::Key_Meta: case Qt::Key_Super_L: vk = 0x5B; ext = true; break;
        case Qt::Key_Super_R: vk = 0x5C; ext = true; break;
        case Qt::Key_Menu: vk = 0x5D; ext = true; break;
        case Qt::Key_Sleep: vk = 0x5F; break;
        case Qt::Key_NumLock: vk = 0x90; ext = true; break;
        case Qt::Key_ScrollLock: vk = 0x91; break;
        case Qt::Key_Back: vk = 0xA6; ext = true; break;
        case Qt::Key_Forward: vk = 0xA7; ext = true; break;
        case Qt::Key_Refresh: vk = 0xA8; ext = true; break;
        case Qt::Key_Stop: vk = 0xA9; ext = true; break;
        case Qt::Key_Search: vk = 0xAA; ext = true; break;
        case Qt::Key_Favorites: vk = 0xAB; ext = true; break;
        case Qt::Key_HomePage: vk = 0xAC; ext = true; break;
        case Qt::Key_VolumeMute: vk = 0xAD; ext = true; break;
        case Qt::Key_VolumeDown: vk = 0xAE; ext = true; break;
        case Qt::Key_VolumeUp: vk = 0xAF; ext = true; break;
        case Qt::Key_MediaNext: vk = 0xB0; ext = true; break;
        case Qt::Key_MediaPrevious: vk = 0xB1; ext = true; break;
        case Qt::Key_MediaStop: vk = 0xB2; ext = true; break;
        case Qt::Key_MediaPlay: case Qt::Key_MediaTogglePlayPause: case Qt::Key_MediaPause:
            vk = 0xB3; ext = true; break;
        case Qt::Key_LaunchMail: vk = 0xB4; ext = true; break;
        case Qt::Key_LaunchMedia: vk = 0xB5; ext = true; break;
        case Qt::Key_Launch0: vk = 0xB6; ext = true; break;
        case Qt::Key_Launch1: vk = 0xB7; ext = true; break;
        default: break;
        }
    }
    if (extended) *extended = vk != 0 && ext;
    return vk;
}

CHotKeyCtrl::CHotKeyCtrl(QWidget* parent) : QLineEdit(parent) {
    setReadOnly(true);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setFocusPolicy(Qt::StrongFocus);
    showText(0, 0);
}

void CHotKeyCtrl::SetHotKey(std::uint32_t virtualKey, std::uint32_t modifiers) {
    m_vk = virtualKey & 0xFF;
    m_mods = modifiers & 0xFF;
    showText(m_vk, m_mods);
}

void CHotKeyCtrl::GetHotKey(std::uint32_t& virtualKey, std::uint32_t& modifiers) const {
    virtualKey = m_vk;
    modifiers = m_mods;
}

void CHotKeyCtrl::showText(std::uint32_t virtualKey, std::uint32_t modifiers) {
    setText(QString::fromStdString(HotKeyText(virtualKey, modifiers)));
    setCursorPosition(static_cast<int>(text().size()));
}

bool CHotKeyCtrl::event(QEvent* e) {
    if (e->type() == QEvent::ShortcutOverride) {
        // Claim every key the field takes, so that no shortcut of the window
        // fires while the user types a combination.
        auto* k = static_cast<QKeyEvent*>(e);
        switch (k->key()) {
        case Qt::Key_Return: case Qt::Key_Enter: case Qt::Key_Escape: case Qt::Key_Tab: case Qt::Key_Backtab:
            break;
        default: e->accept(); return true;
        }
    }
    return QLineEdit::event(e);
}

void CHotKeyCtrl::keyPressEvent(QKeyEvent* e) {
    const int key = e->key();
    const std::uint32_t mods = modifierBits(e->modifiers());
    switch (key) {
    case Qt::Key_Return: case Qt::Key_Enter: case Qt::Key_Escape: case Qt::Key_Tab: case Qt::Key_Backtab:
        e->ignore();
        return;
    case Qt::Key_Backspace: case Qt::Key_Delete: case Qt::Key_Space:
        if (!(e->modifiers() & Qt::KeypadModifier)) {
            // Never a hot key of its own; alone it empties the field.
            if (mods == 0) {
                SetHotKey(0, 0);
                emit hotKeyChanged();
            }
            e->accept();
            return;
        }
        break;
    default: break;
    }
    e->accept();
    if (isModifierKey(key)) {
        // Platforms differ on whether a modifier's own press carries its bit.
        m_partial = true;
        showText(0, mods | modifierBitOf(key));
        return;
    }
    bool ext = false;
    const std::uint8_t vk = VirtualKeyFromQt(key, e->modifiers(), &ext);
    if (vk == 0) return;
    m_partial = false;
    SetHotKey(vk, mods | (ext ? std::uint32_t{HOTKEYF_EXT_BIT} : 0u));
    emit hotKeyChanged();
}

void CHotKeyCtrl::keyReleaseEvent(QKeyEvent* e) {
    e->accept();
    if (!isModifierKey(e->key())) return;
    // Modifiers still held keep showing until a key completes them; a
    // combination left unfinished falls back to the stored hot key.
    const std::uint32_t held = modifierBits(e->modifiers()) & ~modifierBitOf(e->key());
    if (m_partial && held != 0) {
        showText(0, held);
    } else {
        m_partial = false;
        showText(m_vk, m_mods);
    }
}

// A caret but no selection or menu: the text is the control's own.
void CHotKeyCtrl::contextMenuEvent(QContextMenuEvent* e) { e->accept(); }
void CHotKeyCtrl::mousePressEvent(QMouseEvent* e) {
    setFocus(Qt::MouseFocusReason);
    e->accept();
}
void CHotKeyCtrl::mouseDoubleClickEvent(QMouseEvent* e) { e->accept(); }
void CHotKeyCtrl::mouseMoveEvent(QMouseEvent* e) { e->accept(); }

} // namespace remorra
