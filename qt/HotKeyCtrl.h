#pragma once
// A hot-key field as the system control behaves: it takes one key with its
// modifiers and holds a Windows virtual-key code plus the modifier bits
// (1 Shift, 2 Ctrl, 4 Alt, 8 extended key). Enter and Escape are left to the
// window, Tab moves the focus, Backspace, Delete and Space alone clear it.
#include <QLineEdit>

#include <cstdint>

namespace remorra {

class CHotKeyCtrl : public QLineEdit {
    Q_OBJECT
public:
    explicit CHotKeyCtrl(QWidget* parent = nullptr);

    void SetHotKey(std::uint32_t virtualKey, std::uint32_t modifiers);
    void GetHotKey(std::uint32_t& virtualKey, std::uint32_t& modifiers) const;
    std::uint32_t virtualKey() const { return m_vk; }
    std::uint32_t modifiers() const { return m_mods; }
    void Clear() { SetHotKey(0, 0); }

    // Windows virtual-key code of a Qt key, 0 when it has none. `extended`
    // tells whether the system calls the key an extended one.
    static std::uint8_t VirtualKeyFromQt(int key, Qt::KeyboardModifiers mods, bool* extended = nullptr);

signals:
    void hotKeyChanged();

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    void showText(std::uint32_t virtualKey, std::uint32_t modifiers);

    std::uint32_t m_vk = 0;
    std::uint32_t m_mods = 0;
    bool m_partial = false; // modifiers held, no key yet
};

} // namespace remorra
