#include "platform/os/DefaultTimeService.h"

#include <windows.h>

#include <mutex>
#include <utility>
#include <vector>

namespace remorra::os {
namespace {

// Thread timers without a window: SetTimer posts WM_TIMER to the starting
// thread, whose message loop (the dialog's, or runTimerLoop) dispatches it to
// onTimer. The table maps the system's timer id to the caller's procedure, so
// an expiry already queued when the timer stops is dropped instead of run.
class Win32TimeService final : public ITimeService {
public:
    std::int64_t counter() override
    {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return now.QuadPart;
    }
    std::int64_t frequency() override
    {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }
    void sleepMs(std::uint32_t ms) override { Sleep(ms); }

    std::uint32_t startTimer(std::uint32_t periodMs, TimerProc proc) override
    {
        if (proc == nullptr)
            return 0;
        std::lock_guard lock(m_mutex);
        const UINT_PTR id = SetTimer(nullptr, 0, periodMs, &Win32TimeService::onTimer);
        if (id == 0 || id > 0xFFFFFFFFu) {
            if (id != 0)
                KillTimer(nullptr, id);
            return 0;
        }
        m_timers.emplace_back(static_cast<std::uint32_t>(id), proc);
        return static_cast<std::uint32_t>(id);
    }

    void stopTimer(std::uint32_t timerId) override
    {
        std::lock_guard lock(m_mutex);
        std::erase_if(m_timers, [&](const auto& t) { return t.first == timerId; });
        // Fails when called off the starting thread; onTimer then kills it there.
        KillTimer(nullptr, timerId);
    }

private:
    static void CALLBACK onTimer(HWND, UINT, UINT_PTR id, DWORD);

    std::mutex m_mutex;
    std::vector<std::pair<std::uint32_t, TimerProc>> m_timers;
};

Win32TimeService& win32Service()
{
    static Win32TimeService service;
    return service;
}

void CALLBACK Win32TimeService::onTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    Win32TimeService& self = win32Service();
    TimerProc proc = nullptr;
    {
        std::lock_guard lock(self.m_mutex);
        for (const auto& t : self.m_timers)
            if (t.first == id)
                proc = t.second;
    }
    if (proc)
        proc(static_cast<std::uint32_t>(id));
    else
        KillTimer(nullptr, id);
}

} // namespace

ITimeService& defaultTimeService() { return win32Service(); }

void runTimerLoop(const bool volatile* stop, std::uint32_t maxMs)
{
    const ULONGLONG end = maxMs ? GetTickCount64() + maxMs : ~0ULL;
    MSG msg;
    while (!(stop && *stop)) {
        const ULONGLONG now = GetTickCount64();
        if (now >= end)
            return;
        // Wake at least every 10 ms so that a stop flag set elsewhere is seen.
        const DWORD wait = static_cast<DWORD>(end - now < 10 ? end - now : 10);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

} // namespace remorra::os
