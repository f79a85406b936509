#pragma once
// The application object: one copy per user, then the main dialog.
#include "platform/os/MessageBox.h"

#include <functional>

namespace remorra {

inline constexpr const char* kInstanceName = "Remorra";
inline constexpr const char* kAlreadyRunningText = "Remorra is runing!";
inline constexpr const char* kAppCaption = "Remorra";

// Held for the life of the process; the system drops it when the process
// ends, however it ends.
class IInstanceLock {
public:
    virtual ~IInstanceLock() = default;
    // False when another process holds the lock.
    virtual bool acquire() = 0;
};

class CRemorraApp {
public:
    CRemorraApp(IInstanceLock& lock, IMessageBox& box, std::function<void()> runMainDialog)
        : m_lock(lock), m_box(box), m_runMainDialog(std::move(runMainDialog)) {}

    // Always false: the process ends once the main dialog has closed. A
    // second copy reports itself and ends without telling the first.
    bool InitInstance();

private:
    IInstanceLock& m_lock;
    IMessageBox& m_box;
    std::function<void()> m_runMainDialog;
};

} // namespace remorra
