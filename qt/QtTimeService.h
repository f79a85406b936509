#pragma once
// The time seam for the windowed program: counter and sleep of the platform
// service, periodic timers on the window thread's Qt event loop (where the
// decoders' timer passes must run).
#include "platform/os/TimeService.h"

#include <QObject>

#include <map>

class QTimer;

namespace remorra {

class QtTimeService final : public QObject, public os::ITimeService {
public:
    // `base` supplies the counter and sleeping; it must outlive this service.
    explicit QtTimeService(os::ITimeService& base);
    ~QtTimeService() override;

    std::int64_t counter() override { return m_base.counter(); }
    std::int64_t frequency() override { return m_base.frequency(); }
    void sleepMs(std::uint32_t ms) override { m_base.sleepMs(ms); }
    // Timers started on another thread than this object's stay with `base`.
    std::uint32_t startTimer(std::uint32_t periodMs, os::TimerProc proc) override;
    void stopTimer(std::uint32_t timerId) override;

private:
    static constexpr std::uint32_t kForeign = 0x80000000u;
    os::ITimeService& m_base;
    std::map<std::uint32_t, QTimer*> m_timers;
    std::uint32_t m_nextId = 1;
};

} // namespace remorra
