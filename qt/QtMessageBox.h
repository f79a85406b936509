#pragma once
// The real message boxes: a modal QMessageBox per report, parented to the
// window that asks so it stays on top of it.
#include "app/MessageBox.h"

class QWidget;

namespace remorra {

class QtMessageBox : public IMessageBox {
public:
    explicit QtMessageBox(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }
    MsgResult show(const std::string& text, const std::string& caption, MsgButtons buttons,
                   MsgIcon icon) override;

private:
    QWidget* m_parent;
};

} // namespace remorra
