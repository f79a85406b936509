// The focused application from the foreground-window event hook. The hook
// is out of context, so its callback runs on the thread that set it, inside
// that thread's message loop.
//
// A timer on the same thread also compares GetForegroundWindow with the last
// window reported: Wine (8.0) never raises EVENT_SYSTEM_FOREGROUND (it
// delivers other events out of context, e.g. EVENT_OBJECT_CREATE) and its
// RegisterShellHookWindow is a stub, so without the check profiles would not
// follow the focus there. On Windows the hook reports first and the check
// finds nothing new; it costs one call per tick and opens a process only when
// the foreground window changed.
#include "app/FocusWatcher.h"

#include <windows.h>

#include <atomic>
#include <future>
#include <thread>

namespace remorra::app {
namespace {

constexpr UINT kForegroundCheckMs = 250;

std::string executableName(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == 0) // report() has already passed over the program's own windows
        return {};
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        return {};
    char path[MAX_PATH];
    DWORD size = MAX_PATH;
    std::string name;
    if (QueryFullProcessImageNameA(process, 0, path, &size)) {
        name.assign(path, size);
        const std::size_t slash = name.find_last_of("\\/");
        if (slash != std::string::npos)
            name.erase(0, slash + 1);
    }
    CloseHandle(process);
    return name;
}

class Win32FocusWatcher;
std::atomic<Win32FocusWatcher*> g_watcher{nullptr};

class Win32FocusWatcher final : public IBackgroundService {
public:
    explicit Win32FocusWatcher(std::function<void(std::vector<std::string>)> onFocus) : m_onFocus(std::move(onFocus))
    {
        g_watcher.store(this);
        std::promise<void> ready;
        std::future<void> started = ready.get_future();
        m_thread = std::thread([this, &ready] { loop(ready); });
        started.wait(); // the thread's queue exists: WM_QUIT cannot be lost
    }
    ~Win32FocusWatcher() override
    {
        PostThreadMessageA(m_threadId.load(), WM_QUIT, 0, 0);
        m_thread.join();
        g_watcher.store(nullptr);
    }

    void report(HWND window)
    {
        m_window = window;
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid == GetCurrentProcessId())
            return;
        std::vector<std::string> names;
        if (std::string exe = executableName(window); !exe.empty())
            names.push_back(std::move(exe));
        if (m_reported && names == m_last)
            return;
        m_reported = true;
        m_last = names;
        m_onFocus(std::move(names));
    }

private:
    static void CALLBACK onEvent(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG, DWORD, DWORD)
    {
        if (object != OBJID_WINDOW)
            return;
        if (Win32FocusWatcher* w = g_watcher.load())
            w->report(window);
    }

    void loop(std::promise<void>& ready)
    {
        MSG msg;
        PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE); // makes the thread's queue
        const HWINEVENTHOOK hook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, onEvent,
                                                   0, 0, WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
        m_threadId.store(GetCurrentThreadId());
        ready.set_value();
        report(GetForegroundWindow());
        const UINT_PTR timer = SetTimer(nullptr, 0, kForegroundCheckMs, nullptr);
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            if (msg.message == WM_TIMER && msg.hwnd == nullptr) {
                if (const HWND window = GetForegroundWindow(); window != m_window)
                    report(window);
                continue;
            }
            DispatchMessageA(&msg);
        }
        if (timer)
            KillTimer(nullptr, timer);
        if (hook)
            UnhookWinEvent(hook);
    }

    std::function<void(std::vector<std::string>)> m_onFocus;
    std::atomic<DWORD> m_threadId{0};
    HWND m_window = nullptr; // last reported; the watcher's thread only
    bool m_reported = false;
    std::vector<std::string> m_last;
    std::thread m_thread;
};

} // namespace

std::unique_ptr<IBackgroundService> StartFocusWatcher(std::function<void(std::vector<std::string>)> onFocus,
                                                       std::string&)
{
    return std::make_unique<Win32FocusWatcher>(std::move(onFocus));
}

} // namespace remorra::app
