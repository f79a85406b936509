#include "app/ProcessServices.h"
#include "app/win32/MainWindowWin32.h"

#include <windows.h>

#include <cstring>
#include <mutex>

namespace remorra::app {

namespace {

// The named mutex lives as long as the first copy's handle does; a second
// copy's CreateMutex finds it already there.
class NamedMutexLock final : public IInstanceLock {
public:
    explicit NamedMutexLock(std::string name) : m_name(std::move(name)) {}
    ~NamedMutexLock() override {
        if (m_mutex) CloseHandle(m_mutex);
    }
    bool acquire() override {
        if (m_mutex) return true;
        HANDLE h = CreateMutexA(nullptr, FALSE, m_name.c_str());
        if (!h) return false;
        if (GetLastError() == ERROR_ALREADY_EXISTS) {
            CloseHandle(h);
            return false;
        }
        m_mutex = h;
        return true;
    }

private:
    std::string m_name;
    HANDLE m_mutex = nullptr;
};

std::mutex g_shutdownMutex;
std::function<void(const char*)> g_onShutdown;

const char* ConsoleEventName(DWORD type) {
    switch (type) {
    case CTRL_C_EVENT: return "CTRL_C_EVENT";
    case CTRL_BREAK_EVENT: return "CTRL_BREAK_EVENT";
    case CTRL_CLOSE_EVENT: return "CTRL_CLOSE_EVENT";
    case CTRL_LOGOFF_EVENT: return "CTRL_LOGOFF_EVENT";
    case CTRL_SHUTDOWN_EVENT: return "CTRL_SHUTDOWN_EVENT";
    default: return nullptr;
    }
}

BOOL WINAPI OnConsoleControl(DWORD type) {
    const char* name = ConsoleEventName(type);
    if (!name) return FALSE;
    std::lock_guard lock(g_shutdownMutex);
    if (!g_onShutdown) return FALSE;
    g_onShutdown(name);
    return TRUE;
}

class ConsoleControlWatcher final : public IBackgroundService {
public:
    explicit ConsoleControlWatcher(std::function<void(const char*)> onShutdown) {
        {
            std::lock_guard lock(g_shutdownMutex);
            g_onShutdown = std::move(onShutdown);
        }
        SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
    }
    ~ConsoleControlWatcher() override {
        SetConsoleCtrlHandler(&OnConsoleControl, FALSE);
        std::lock_guard lock(g_shutdownMutex);
        g_onShutdown = nullptr;
    }
};

} // namespace

std::unique_ptr<IInstanceLock> CreateInstanceLock(const std::string& name) {
    return std::make_unique<NamedMutexLock>(name);
}

// The main window takes kRestoreWindowMessage itself; no listener is needed.
std::unique_ptr<IBackgroundService> StartRestoreListener(std::function<void()>, std::string* error) {
    if (error) *error = "the main window takes restore requests as a window message";
    return nullptr;
}

namespace {
BOOL CALLBACK FindMainWindow(HWND hwnd, LPARAM found) {
    char cls[16] = {}, title[16] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    GetWindowTextA(hwnd, title, sizeof title);
    if (std::strcmp(cls, "#32770") != 0 || std::strncmp(title, "Remorra", 7) != 0 || !GetDlgItem(hwnd, 1003))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}
} // namespace

HWND FindRunningMainWindow() {
    HWND main = nullptr;
    EnumWindows(&FindMainWindow, reinterpret_cast<LPARAM>(&main));
    return main;
}

bool SendRestoreRequest() {
    HWND main = FindRunningMainWindow();
    return main && PostMessageA(main, kRestoreWindowMessage, 0, 0);
}

// Windows has no signals to block: console and session events arrive through
// the control handler of StartShutdownWatcher.
void BlockShutdownSignals() {}

std::unique_ptr<IBackgroundService> StartShutdownWatcher(std::function<void(const char*)> onShutdown) {
    return std::make_unique<ConsoleControlWatcher>(std::move(onShutdown));
}

bool RaiseProcessPriority() { return SetPriorityClass(GetCurrentProcess(), REALTIME_PRIORITY_CLASS) != FALSE; }

} // namespace remorra::app
