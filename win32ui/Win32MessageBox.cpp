#include "win32ui/Win32MessageBox.h"

namespace remorra::win32ui {

MsgResult Win32MessageBox::show(const std::string& text, const std::string& caption, MsgButtons buttons,
                                MsgIcon icon) {
    UINT type = 0;
    switch (buttons) {
    case MsgButtons::Ok: type = MB_OK; break;
    case MsgButtons::OkCancel: type = MB_OKCANCEL; break;
    case MsgButtons::YesNo: type = MB_YESNO; break;
    case MsgButtons::YesNoCancel: type = MB_YESNOCANCEL; break;
    case MsgButtons::RetryCancel: type = MB_RETRYCANCEL; break;
    }
    switch (icon) {
    case MsgIcon::None: break;
    case MsgIcon::Information: type |= MB_ICONINFORMATION; break;
    case MsgIcon::Warning: type |= MB_ICONWARNING; break;
    case MsgIcon::Error: type |= MB_ICONERROR; break;
    case MsgIcon::Question: type |= MB_ICONQUESTION; break;
    }
    HWND owner = m_owner && IsWindow(m_owner) ? m_owner : nullptr;
    switch (MessageBoxA(owner, text.c_str(), caption.c_str(), type)) {
    case IDCANCEL: return MsgResult::Cancel;
    case IDYES: return MsgResult::Yes;
    case IDNO: return MsgResult::No;
    case IDRETRY: return MsgResult::Retry;
    default: return MsgResult::Ok;
    }
}

} // namespace remorra::win32ui
