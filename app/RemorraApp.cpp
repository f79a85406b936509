#include "app/RemorraApp.h"

namespace remorra {

bool CRemorraApp::InitInstance()
{
    if (!m_lock.acquire()) {
        m_box.show(kAlreadyRunningText, kAppCaption, MsgButtons::Ok, MsgIcon::None);
        return false;
    }
    if (m_runMainDialog)
        m_runMainDialog();
    return false;
}

} // namespace remorra
