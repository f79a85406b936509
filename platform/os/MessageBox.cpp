#include "platform/os/MessageBox.h"

namespace remorra {

MsgResult RecordingMessageBox::show(const std::string& text, const std::string& caption,
                                    MsgButtons buttons, MsgIcon icon) {
    shown.push_back({text, caption, buttons, icon});
    if (!m_answers.empty()) {
        MsgResult r = m_answers.front();
        m_answers.erase(m_answers.begin());
        return r;
    }
    switch (buttons) {
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel: return MsgResult::Yes;
    case MsgButtons::RetryCancel: return MsgResult::Retry;
    default: return MsgResult::Ok;
    }
}

} // namespace remorra
