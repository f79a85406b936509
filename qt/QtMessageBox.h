#pragma once
// The real message boxes: a modal QMessageBox per report, parented to the
// window that asks so it stays on top of it.
#include "platform/os/MessageBox.h"

class QWidget;

namespace remorra {

namespace app {
class ShutdownRequest;
}

class QtMessageBox : public IMessageBox {
public:
    explicit QtMessageBox(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }
    // Once the program is asked to end, boxes are no longer shown: each
    // answers as a box closed by the window manager does.
    void setShutdownRequest(const app::ShutdownRequest* shutdown) { m_shutdown = shutdown; }
    MsgResult show(const std::string& text, const std::string& caption, MsgButtons buttons,
                   MsgIcon icon) override;

private:
    QWidget* m_parent;
    const app::ShutdownRequest* m_shutdown = nullptr;
};

} // namespace remorra
