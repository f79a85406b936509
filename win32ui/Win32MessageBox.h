#pragma once
// The system's message box behind the program's report seam.
#include "platform/os/MessageBox.h"

#include <windows.h>

namespace remorra::win32ui {

class Win32MessageBox final : public IMessageBox {
public:
    MsgResult show(const std::string& text, const std::string& caption, MsgButtons buttons,
                   MsgIcon icon) override;
    // Boxes are modal to this window while it exists; null: no owner.
    void setOwner(HWND owner) { m_owner = owner; }

private:
    HWND m_owner = nullptr;
};

} // namespace remorra::win32ui
